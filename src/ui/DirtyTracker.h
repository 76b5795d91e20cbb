#pragma once
// Knows whether the operator typed something that is not saved yet, and
// asks before it is thrown away (closing the window, clearing the form,
// loading another record). Only what the operator does counts: texts set
// by the program leave the form clean.

#include <QObject>

class QWidget;

namespace nimbo::ui {

class DirtyTracker : public QObject {
    Q_OBJECT
public:
    explicit DirtyTracker(QObject *parent = nullptr) : QObject(parent) {}

    // Watches the editable controls under root: line edits, text boxes,
    // check and option buttons, combo boxes.
    void watch(QWidget *root);

    bool isDirty() const { return dirty_; }
    void setClean() { dirty_ = false; }
    void setDirty() { dirty_ = true; }

    // True when nothing typed would be lost, or the operator agrees to lose
    // it (asked through the message boxes, titled `title`).
    bool confirmDiscard(const QString &title) const;

    static const QString kQuestion;

private:
    bool dirty_ = false;
};

} // namespace nimbo::ui
