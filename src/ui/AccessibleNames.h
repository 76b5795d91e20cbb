#pragma once
// What a screen reader says for each input of a window: its caption. The
// form kit names the fields it lays out; the rest of a window's inputs are
// named here when the window shows, from what the operator sees beside
// them: the caption whose buddy the field is, the text shown in an empty
// field, its tip, the caption on its left or just above it, the title of
// its group, in that order. A name the window gave itself stays.

#include <QList>
#include <QString>

class QWidget;

namespace nimbo::ui {

// The inputs under root that a screen reader stops on: text and number
// boxes, combo boxes, lists, buttons without a caption of their own.
QList<QWidget *> inputsOf(QWidget *root);
// Names every input under root that has no name yet.
void nameInputs(QWidget *root);
// A caption as a name: no mnemonic "&", no closing colon.
QString nameFromCaption(const QString &caption);

} // namespace nimbo::ui
