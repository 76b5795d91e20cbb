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

// How a window opens another one (the entity list its departments, the
// structure tree an editor): the main window installs its own opener, which
// shows the window as its child or brings forward the one already open
// under that name. Without an opener the window is made and shown on its
// own. Null when the name is not registered.
using Opener = std::function<QWidget *(const QString &name, const QString &mode)>;
void setOpener(Opener opener);
QWidget *open(const QString &name, const QString &mode = QString());

} // namespace nimbo::WindowRegistry
