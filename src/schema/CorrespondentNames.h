#pragma once
// Each protocol carries the names of its correspondents (the main one and
// every further recipient, one per line) in Tab_NomiCorrispondenti, kept by
// the database whatever writes the register, its further recipients or the
// address book. A search walking the register tests a name on the row it
// has just read instead of looking the names up; the look-up still decides,
// so the column only has to hold every name the protocol has now. Its
// trigram index (an ordered full-text table on SQLite, a GIN index on
// PostgreSQL) finds the protocols of a name without the address book.

#include <QStringList>

#include "data/Dialect.h"
#include "data/SearchNames.h"
#include "schema/Definition.h"

namespace Schema::CorrespondentNames {

// SQLite: the names' trigrams (kTable) are keyed like Tab_Protocollo_Ordine
// (protocol-number order).
using SearchNames::kColumn;
using SearchNames::kTable;

QStringList statements(Kind kind, Dialect::Engine e);

} // namespace Schema::CorrespondentNames
