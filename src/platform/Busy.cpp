#include "platform/Busy.h"

#include <QCursor>
#include <QGuiApplication>

namespace nimbo::busy {
namespace {
int g_depth = 0;
QString g_waitText;
QString g_requestTitle;

void applyCursor()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    if (g_depth > 0)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}
} // namespace

void begin()
{
    ++g_depth;
    applyCursor();
}

void end()
{
    if (g_depth > 0)
        --g_depth;
    applyCursor();
}

void reset()
{
    g_depth = 0;
    applyCursor();
}

bool active() { return g_depth > 0; }
int depth() { return g_depth; }

void setWaitText(const QString &text) { g_waitText = text; }
QString waitText() { return g_waitText; }
void setRequestTitle(const QString &title) { g_requestTitle = title; }
QString requestTitle() { return g_requestTitle; }

} // namespace nimbo::busy
