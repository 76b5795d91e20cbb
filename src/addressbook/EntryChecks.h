#pragma once
// The checks that the address-book window and quick entry share, in the
// pieces each puts in its own order.

#include <functional>

#include "ui/RecordEditor.h"

#include "ui/CodeLookup.h"

class QComboBox;

namespace nimbo::addressbook {

// The column must not be empty.
ui::Check required(const QString &column, const QString &message);
// The municipality code exists; its name is shown again beside it.
ui::Check municipalityExists(const QString &column, ui::CodeLookup *lookup);
// The prevention department's codes: cleared unless the authority is
// "AS8"; there, when either is given, the code is required and the
// sub-code numeric.
ui::CheckList preventionChecks();
// The duplicate-name question, asked once for each name typed: `sql` finds
// another entry of the name (empty text: nothing to ask), `askedAbout`
// remembers the last name asked about. "No" stops the write on the name.
ui::Check duplicateQuestion(const QString &title, std::function<QString(const ui::Record &)> sql,
                            QString *askedAbout);
// Asks the protocol server for the identifier and puts it in the record;
// without one nothing may be written.
ui::Check identifierGiven(const QString &title, const QString &ente, qlonglong *got);

// The kinds of correspondent: by code, or by the start of the description.
QVector<ui::Match> findKinds(const QString &typed, bool byDescription);
// A combo of every kind ("code - description", data the code) after a
// first item of its own.
void fillKinds(QComboBox *combo, const QString &firstCode, const QString &firstText);

} // namespace nimbo::addressbook
