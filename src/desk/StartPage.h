#pragma once
// The start page that fills the main window's empty area behind the child
// windows: the operator's in-tray, the matters due within five days or
// overdue, today's registrations of his office and the protocols he opened
// last, each row one click from its window. It reads them again whenever
// the main window comes back to the foreground.

#include <QElapsedTimer>
#include <QWidget>

#include "desk/StartRules.h"

class QLabel;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::desk {

class StartPage : public QWidget {
    Q_OBJECT
public:
    explicit StartPage(QWidget *parent = nullptr);

    // Reads and shows the four lists.
    Q_INVOKABLE void refresh();

    ui::RowList *tray() const { return lists_[0]; }
    ui::RowList *deadlines() const { return lists_[1]; }
    ui::RowList *today() const { return lists_[2]; }
    ui::RowList *recent() const { return lists_[3]; }
    int refreshCount() const { return refreshes_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void open(int list, int row);

    ui::RowList *lists_[4];
    QLabel *empty_[4];
    QLabel *heading_;
    QObject *watched_ = nullptr;
    int refreshes_ = 0;
};

} // namespace nimbo::desk
