#pragma once
// What the program sets up once for all its windows: Qt's own texts in
// Italian (button captions, file dialogs, calendars), and the size and
// place of a window remembered between runs.

#include <QString>

class QWidget;

namespace nimbo::ui {

// Loads Qt's Italian translations (qtbase_it.qm from Qt's translations
// folder) and makes Italian the default locale. False when the file is
// missing; the program then goes on with Qt's English texts.
bool installItalian();
// Where Qt's translations are looked for.
QString qtTranslationsPath();

// Size and position of a top-level window, kept in the user's settings
// under `key`. restorePlacement() is false when nothing was kept (the
// window keeps the size it has).
bool restorePlacement(QWidget *window, const QString &key);
void savePlacement(const QWidget *window, const QString &key);

} // namespace nimbo::ui
