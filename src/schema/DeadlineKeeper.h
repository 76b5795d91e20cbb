#pragma once
// The deadlines in force, kept by the database: one row of
// Tab_ScadenzeInCorso per protocol and office that holds it for competence
// through the protocol's latest assignment, while the protocol is neither
// handled (a type-5 movement) nor cancelled and has a deadline. The
// deadline is the latest row of Tab_ProScadenza, else the assignment's own;
// on SQLite it is stored as "yyyy-mm-dd hh:mm:ss", the shape NOW() returns,
// so that the lists compare it with the clock through the index. The
// protocol's subject and privacy flag are copied beside it, so that a
// subject filter reads no other table while it walks the deadlines.
//
// Triggers on the iter movements and recipients, the deadline history, the
// register (state, direction, subject and privacy) and the offices
// (department) recompute the rows of the protocol they touch, whoever
// writes: the lists never need to know who postponed, assigned, handled or
// corrected what.

#include <QStringList>

#include "data/Dialect.h"
#include "schema/Definition.h"

namespace Schema::DeadlineKeeper {

inline const QString kTable = QStringLiteral("Tab_ScadenzeInCorso");

// Functions and triggers, and the filling of the table from the register
// already there: as first made (without the subject), and with the
// protocol's subject and privacy kept beside each deadline.
QStringList firstStatements(Kind kind, Dialect::Engine e);
QStringList statements(Kind kind, Dialect::Engine e);

} // namespace Schema::DeadlineKeeper
