#pragma once
// The protocol's history and links across a change of direction. The
// database's own history of the register (ProtocolHistory.cpp) already
// keeps the row as it was, with its old direction, the writer and the time,
// whenever the protocol server turns a protocol around; the history rows
// keep the direction each state had, so the protocol's history is read by
// body and number, which the first index serves. The second finds the rows
// of the links that other protocols hold towards a protocol, which follow
// it too.

#include <QStringList>

#include "data/Dialect.h"
#include "schema/Definition.h"

namespace Schema::DirectionHistory {

QStringList statements(Kind kind, Dialect::Engine e);

} // namespace Schema::DirectionHistory
