#pragma once
// Indexes that let a "contains" search on a large register answer quickly
// whatever the text: one or two letters (too short for the trigram
// indexes), names matching tens of thousands of address-book entries, and a
// period far from the newest protocols.

#include <QStringList>

#include "data/Dialect.h"
#include "schema/Definition.h"

namespace Schema::SearchGrams {

// SQLite: the statements of the triggers that keep Tab_Protocollo_Ordine and
// its subject index in step with the register; "alsoOnAdd" / "alsoOnDrop"
// run inside them, once the row's key exists / before it goes (they may use
// keyOf("new") / keyOf("old")).
QString keyOf(const QString &row);
QStringList orderTriggers(const QString &alsoOnAdd = {}, const QString &alsoOnDrop = {});
// What the subject's letters add to those triggers: a later step that
// makes them again with work of its own passes these on.
QString subjectLettersOnAdd();
QString subjectLettersOnDrop();

// The letters and letter pairs of a text as the SQLite index holds them:
// one word per letter and per pair of the upper-cased text ("h" and the hex
// of its UTF-8 bytes), so that the full-text table finds any of them.
QString sqliteGramWords(const QString &textExpression);

QStringList statements(Kind kind, Dialect::Engine e);

} // namespace Schema::SearchGrams
