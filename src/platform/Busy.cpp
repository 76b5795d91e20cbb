#include "platform/Busy.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMap>

namespace nimbo::busy {
namespace {
int g_depth = 0;
QString g_waitText;
QString g_requestTitle;
QMap<int, std::function<void()>> g_listeners;
int g_nextListener = 1;

void notify()
{
    // A copy: a listener may remove itself.
    const auto listeners = g_listeners;
    for (const auto &l : listeners)
        l();
}

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
    if (g_depth == 1)
        notify();
}

void end()
{
    const int before = g_depth;
    if (g_depth > 0)
        --g_depth;
    applyCursor();
    if (before == 1)
        notify();
}

void reset()
{
    const bool was = g_depth > 0;
    g_depth = 0;
    applyCursor();
    if (was)
        notify();
}

bool active() { return g_depth > 0; }
int depth() { return g_depth; }

void setWaitText(const QString &text)
{
    if (text == g_waitText)
        return;
    g_waitText = text;
    notify();
}
QString waitText() { return g_waitText; }
void setRequestTitle(const QString &title) { g_requestTitle = title; }
QString requestTitle() { return g_requestTitle; }

int addListener(std::function<void()> listener)
{
    const int id = g_nextListener++;
    g_listeners.insert(id, std::move(listener));
    return id;
}

void removeListener(int id) { g_listeners.remove(id); }

} // namespace nimbo::busy
