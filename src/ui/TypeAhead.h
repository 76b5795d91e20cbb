#pragma once
// Search as you type over a field and the window's pick list. Once the
// field holds enough characters and the clerk pauses, the pick list shows
// what the text matches under the field and narrows with every character
// typed; the field keeps the focus, the down arrow goes into the list,
// Escape closes it. One search at a time: text typed while a search runs is
// searched once that one has answered, and an answer for a text no longer
// in the field is dropped, never shown over a newer one.
//
//   auto *ahead = new ui::TypeAhead(subject, pick, searchSubjects, takeSubject, this);

#include <QObject>
#include <QPointer>
#include <QTimer>

#include "ui/CodeLookup.h"

class QLineEdit;

namespace nimbo::ui {

class TypeAhead : public QObject {
    Q_OBJECT
public:
    // The least number of characters searched, and the pause after the
    // last key before the search runs.
    static constexpr int kMinimumLength = 3;
    static constexpr int kPauseMs = 200;

    using Search = std::function<QVector<Match>(const QString &typed)>;
    TypeAhead(QLineEdit *field, PickList *list, Search search, PickList::Take take, QObject *parent = nullptr);

    void setMinimumLength(int chars) { minimum_ = chars; }
    void setPause(int ms) { pause_.setInterval(ms); }
    // Enter (or the window) took over: the waiting search is dropped and
    // an answer still to come is not shown.
    void cancel();
    // Runs the waiting search now (what the pause's end does).
    void searchNow();

    // How many searches ran, and whether one is running.
    int searches() const { return searches_; }
    bool searching() const { return running_; }

signals:
    // The list was shown (or closed) for this text.
    void answered(const QString &typed, int rows);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void edited();
    bool listIsOurs() const;

    QPointer<QLineEdit> field_;
    QPointer<PickList> list_;
    Search search_;
    PickList::Take take_;
    QTimer pause_;
    int minimum_ = kMinimumLength;
    quint64 edits_ = 0;
    quint64 cancelled_ = 0;
    bool again_ = false; // the pause ended while a search ran
    int searches_ = 0;
    bool running_ = false;
    bool shown_ = false; // the list is open for this field's typing
};

} // namespace nimbo::ui
