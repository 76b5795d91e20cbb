#pragma once
// The municipality and region fields of the organisation editors: the
// typed text is tried as a code first, then as the beginning of a name;
// several matches open the pick list, one line each: the code padded to
// its width, " - " and the name padded to 40.

#include "ui/CodeLookup.h"

class QLabel;
class QLineEdit;

namespace nimbo::organisation {

inline const QString kTooShort =
    QStringLiteral("ATTENZIONE !Digitare almeno 3 caratteri per limitare la ricerca ...");

// The municipalities (codes of 6) and regions (codes of 3) that the text
// names.
QVector<ui::Match> findMunicipalities(const QString &typed, bool byName);
QVector<ui::Match> findRegions(const QString &typed, bool byName);

// A pick-list line: "code - name" with both padded.
QString pickLine(const QString &code, int codeWidth, const QString &name);

// The lookups on a code field and its name label; the municipality one
// refuses fewer than 3 characters.
ui::CodeLookup *municipalityLookup(QLineEdit *code, QLabel *name, ui::PickList *list);
ui::CodeLookup *regionLookup(QLineEdit *code, QLabel *name, ui::PickList *list);

// The pick list in a fixed-pitch font, so that the padded columns line up.
ui::PickList *fixedPitchPickList(QWidget *window);

} // namespace nimbo::organisation
