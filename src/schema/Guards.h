#pragma once
// The register defends itself: whatever client writes to the database, a
// protocol row cannot be deleted, what its registration fixed cannot change,
// a cancelled protocol cannot come back, the one-letter codes and the
// number's shape are checked, and a number is given once per body whatever
// the direction.

#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>

#include "data/Dialect.h"
#include "schema/Definition.h"

namespace Schema::Guards {

// Columns of Tab_Protocollo fixed once the protocol is registered.
const QStringList &fixedColumns();
// Columns fixed once they hold something (the emergency register and number
// a recovered registration carries).
const QStringList &fixedOnceSetColumns();

// Statements that install (or reinstall) the guards.
QStringList statements(Kind kind, Dialect::Engine e);

// Statements that install the guard by which a protocol row enters the
// register only through a registration (or an admission of its number, see
// Tab_Protocollo_Ammissioni).
QStringList registrationStatements(Kind kind, Dialect::Engine e);

// The guards' refusal of a value of a column, empty when they admit it: a
// request can then be refused with the same text before any write. A blank
// value of a code that may stay empty is turned into NULL, as stored.
QString valueProblem(const QString &table, const QString &column, QVariant *value);

// Rows of an existing register that break a guard, one line each (at most
// `limit` lines; a last line says how many more); empty when none.
QStringList violations(const QSqlDatabase &db, int limit = 20, QString *error = nullptr);

} // namespace Schema::Guards
