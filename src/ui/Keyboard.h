#pragma once
// How the program is worked from the keyboard: a mnemonic (Alt+letter) for
// every menu and menu item, given by one rule so that captions kept in the
// function table stay as they are written there; one shortcut (and one
// icon) per toolbar key, the same in every window.

#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QString>
#include <QStringList>

class QAction;
class QMenuBar;
class QToolBar;
class QWidget;

namespace nimbo::ui {

// The caption with a mnemonic: the first free letter that starts a word,
// else the first free letter anywhere; an "&" already in the caption is
// kept as its mnemonic, a lone literal "&" is doubled. `taken` holds the
// letters (lower case) already given among the siblings and receives the
// new one. A caption without a free letter comes back without a mnemonic.
QString withMnemonic(const QString &caption, QString *taken);
// Gives every menu and item of the bar its mnemonic, sibling by sibling.
// Each action keeps the caption it had under kCaptionProperty.
void assignMnemonics(QMenuBar *bar);
extern const char *const kCaptionProperty;
// The caption as written before a mnemonic was added ("&" removed when
// nothing was kept).
QString plainCaption(const QAction *action);
// The mnemonic letter of a caption (lower case), or a null QChar.
QChar mnemonicOf(const QString &text);

// The keys of a toolbar key, the first one shown in its tip. Empty for a
// key not in the table.
QList<QKeySequence> shortcutsOf(const QString &toolbarKey);
// Every toolbar key the table knows, in the order it settles a key shared
// by two of them (ANNULLA before ESCI for Esc).
QStringList keysWithShortcuts();
// The icon of a toolbar key: the desktop theme's, or the program's own.
QIcon iconOf(const QString &toolbarKey);
// The tip of a toolbar key: its caption and its keys, "REGISTRA (F9, Ctrl+S)".
QString tipOf(const QString &toolbarKey);

// Gives each button of the shared toolbar its icon and tip once.
void dressToolbar(QToolBar *bar);
// Hands the keys to the buttons shown now: a key shared by two shown
// buttons goes to the one first in the table, the other keeps the rest.
void applyShortcuts(QToolBar *bar);

// F10 opens the first menu of the bar, so that arrows go on from there.
void bindMenuKey(QWidget *window, QMenuBar *bar);

} // namespace nimbo::ui
