#pragma once
// The municipality and region fields of the organisation editors and of
// the addresses: the typed text is tried as a code first, then as the
// beginning of a name, and a municipality also by its postal code (five
// digits); several matches open the pick list, one line each: the code
// padded to its width, " - " and the name padded to 40 (a municipality's
// postal code and province after it).

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

// "85100 (PZ)": the postal code and province of a municipality code; empty
// when the code is unknown.
QString postalCodeAndProvince(const QString &code);

// The lookups on a code field and its name label; the municipality one
// refuses fewer than 3 characters. With `postal` the municipality taken
// shows its postal code and province there too.
ui::CodeLookup *municipalityLookup(QLineEdit *code, QLabel *name, ui::PickList *list, QLabel *postal = nullptr);
ui::CodeLookup *regionLookup(QLineEdit *code, QLabel *name, ui::PickList *list);

// The pick list in a fixed-pitch font, so that the padded columns line up.
ui::PickList *fixedPitchPickList(QWidget *window);

} // namespace nimbo::organisation
