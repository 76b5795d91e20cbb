#pragma once
// The dialect's condition for a search by the beginning of a text (the
// lookups that narrow as the clerk types); see Dialect.h for the others.

#include "data/Dialect.h"

namespace Dialect {

// Expression: the column begins with the typed text, case-insensitive, in a
// form an index serves: on PostgreSQL ILIKE, which the column's trigram
// index serves from three characters on; on SQLite the case-insensitive
// LIKE of likeNoCase beside a plain LIKE that an index on the column with NOCASE
// collation serves (for a text of plain letters and figures, whose case
// both agree on).
QString beginsNoCase(Engine e, const QString &column, const QString &typed);

} // namespace Dialect
