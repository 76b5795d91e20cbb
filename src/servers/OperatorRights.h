#pragma once
// The generic server's side of data/OperatorGrant.h: every write of the
// operators' table by the logged-in operator, whichever window or request
// sends it.

#include <QString>
#include <QVector>

#include "data/C_GestDB.h"
#include "data/Funzioni_Com_1.h"

namespace nimbo {

// The refusal for a batch of table writes, empty when it may run; the
// rows a change touches are read on db for what they held. Without a
// logged-in operator (tools) nothing is refused; rows that cannot be read
// refuse the batch.
QString operatorRightsRefusal(const C_GestDB::Database &db, const QVector<Funzioni_Com_1::Statement> &statements);

} // namespace nimbo
