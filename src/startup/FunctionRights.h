#pragma once
// The operator's function rights over the main window's menu items, and the
// menu states of the emergency and ordinary sessions.

#include <QHash>
#include <QList>
#include <QString>
#include <functional>

class QAction;
class QWidget;

namespace FunctionRights {

// Tag of a menu item: "O" always visible, "D" always hidden, anything else
// governed by the function table.
inline const char *const kTagProperty = "Tag";

// Every named menu item of the window (items and the menus holding them).
QList<QAction *> menuItems(QWidget *window);

// Applies the rights: item name -> function code from the function table,
// and op_funzioni with each code between "-". An item whose function is not
// available (its window is not part of this installation) stays disabled.
void apply(const QList<QAction *> &items, const QHash<QString, QString> &codes, const QString &functions,
           const std::function<bool(QAction *)> &available = {});

// True when "-" + code + "-" occurs in the operator's functions.
bool isWithheld(const QString &code, const QString &functions);

inline const QString kQuery = QStringLiteral("Select tf_nome,tf_codice FROM Tab_Funzioni");

// Reads the function table and applies it to the window. A failure shows
// its message and ends the program by the forced shutdown; false then.
bool load(QWidget *window, const QString &functions, const std::function<bool(QAction *)> &available = {});

// The items an emergency session keeps: those that work on the
// workstation alone (the emergency registration and search, the window
// arrangements, exit and information) and the menus that hold them. Every
// other item needs the central register, which an emergency session does
// not reach.
const QStringList &emergencyLocal();
// Emergency session: every other item disabled, the emergency registration
// enabled (when available). Ordinary session: the emergency registration
// disabled.
void applySessionMenus(QWidget *window, bool emergency, const std::function<bool(QAction *)> &available = {});

} // namespace FunctionRights
