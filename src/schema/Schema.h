#pragma once
// Creation and upgrade of the central and local databases.
//
// A database records the schema versions applied to it in Schema_Version.
// createOrUpgrade() brings any database forward to the program's version one
// step at a time, inside one transaction: tables and columns that a step
// introduces are added, existing rows are never touched by the structure
// steps, and a database is never recreated. A database written by a newer
// program is refused, as is a central database opened as a local one and
// vice versa.

#include <QSqlDatabase>
#include <QString>

#include "schema/Definition.h"

namespace Schema {

// The version this program creates and understands.
int currentVersion(Kind kind);

// Version recorded in the database: 0 when it has no version table (a new,
// empty database), -1 when it cannot be read (error filled).
int version(const QSqlDatabase &db, QString *error = nullptr);

// Kind recorded in the database; false when none is recorded.
bool recordedKind(const QSqlDatabase &db, Kind *kind);

// Creates the schema in an empty database or upgrades an older one up to
// targetVersion (the current version by default; tests use lower values to
// make an old database). Returns false with an Italian message in *error
// when the database is newer, of the other kind, or a statement fails; on
// failure nothing of the upgrade remains.
bool createOrUpgrade(QSqlDatabase &db, Kind kind, QString *error, int targetVersion = -1);

// True when the table (or view) exists; names compare without case.
bool tableExists(const QSqlDatabase &db, const QString &name);
QStringList columnNames(const QSqlDatabase &db, const QString &table); // lower case

} // namespace Schema
