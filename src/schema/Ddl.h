#pragma once
// DDL text for either engine, generated from the table definitions.

#include <QStringList>

#include "data/Dialect.h"
#include "schema/Definition.h"

namespace Schema::Ddl {

QString columnType(const Column &c, Dialect::Engine e);
QString columnDefinition(const Column &c, bool inKey, Dialect::Engine e);

// CREATE TABLE with the columns introduced up to maxVersion.
QString createTable(const Table &t, Dialect::Engine e, int maxVersion = 1 << 30);
// CREATE INDEX IF NOT EXISTS for every index of the table that a database
// of that version still has.
QStringList createIndexes(const Table &t, int version = 1 << 30);
QString indexName(const Table &t, int position);
QString addColumn(const Table &t, const Column &c, Dialect::Engine e);
QString createView(const View &v);
QString dropView(const View &v);

// The whole schema of a kind, as one would run it on an empty database.
QStringList fullSchema(Kind kind, Dialect::Engine e);

} // namespace Schema::Ddl
