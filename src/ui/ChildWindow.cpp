#include "ui/ChildWindow.h"

#include <QCloseEvent>
#include <QMdiSubWindow>

#include "ui/AccessibleNames.h"
#include "ui/TabOrder.h"

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

void ChildWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_tabsOrdered) {
        m_tabsOrdered = true;
        ui::orderTabs(this);
    }
    // Panels shown later (a search, a detail) bring their own inputs.
    ui::nameInputs(this);
}

} // namespace nimbo
