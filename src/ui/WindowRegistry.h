#pragma once
// The windows that the main window opens, found by their name
// ("FrmProtocollo" -> factory). Each subsystem registers its own windows from
// one register...Windows() function called by the program's main, so that
// the main window does not depend on every subsystem.

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace nimbo::WindowRegistry {

// Makes the window, not yet shown; the main window adopts it as a child.
using Factory = std::function<QWidget *()>;

void add(const QString &name, Factory factory);
void remove(const QString &name);
bool contains(const QString &name);
QStringList names();
// Null when the name is not registered or the factory made nothing.
QWidget *create(const QString &name);

} // namespace nimbo::WindowRegistry
