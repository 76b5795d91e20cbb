#pragma once
// A writing unit of a server run through the pool's one retry path.

#include "data/UnitRetry.h"
#include "servers/ProtocolServer.h"

namespace nimbo {

// Runs the unit as ConnectionPool::runUnit does and gives its last reply.
QVariantList runPooledUnit(ConnectionPool::Connection *connection, const QString &what,
                           const std::function<UnitOutcome()> &attempt, const std::function<void()> &letGo = {});

} // namespace nimbo
