#pragma once
// What the program sets up once for all its windows: Qt's own texts in
// Italian (button captions, file dialogs, calendars), and the size and
// place of a window remembered between runs.

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSettings>
#include <QSize>
#include <QString>

class QWidget;

namespace nimbo::ui {

// Loads Qt's Italian translations (qtbase_it.qm from Qt's translations
// folder) and makes Italian the default locale. False when the file is
// missing; the program then goes on with Qt's English texts.
bool installItalian();
// Where Qt's translations are looked for.
QString qtTranslationsPath();

// The operator's settings file of this workstation (window places, list
// layouts).
QSettings userSettings();

// Size and position of a top-level window, kept in the user's settings
// under `key`. restorePlacement() is false when nothing was kept (the
// window keeps the size it has).
bool restorePlacement(QWidget *window, const QString &key);
void savePlacement(const QWidget *window, const QString &key);

// The first size and place of a window with nothing kept: the preferred
// size, made smaller where the screen's free area (without panels and
// docks) cannot hold it with the frame the window manager adds, and
// centred there. frameTopLeft is what move() takes, size what resize() does.
struct Placement {
    QPoint frameTopLeft;
    QSize size;
};
Placement firstPlacement(const QRect &available, const QMargins &frame, const QSize &preferred);
// Puts a window there on its screen; the frame is the window's own once it
// has one, otherwise the room an ordinary title bar and borders take.
void placeFirstTime(QWidget *window, const QSize &preferred);

} // namespace nimbo::ui
