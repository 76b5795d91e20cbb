#include "ui/ChildWindow.h"

#include <QCloseEvent>
#include <QMdiSubWindow>

namespace nimbo {

ChildWindow::ChildWindow(QWidget *parent) : QWidget(parent), m_dirty(new ui::DirtyTracker(this)) {}

bool ChildWindow::closeWindow()
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        return sub->close();
    return close();
}

void ChildWindow::closeEvent(QCloseEvent *event)
{
    if (!m_dirty->confirmDiscard(windowTitle())) {
        event->ignore();
        return;
    }
    m_dirty->setClean();
    QWidget::closeEvent(event);
}

} // namespace nimbo
