#pragma once
// The one way every server runs a unit of work on its pooled connection.
// A connection the database server dropped (a restart, an ended session)
// is never handed out again: acquire() opens it anew once a statement met
// the loss, whoever ran that statement, and runUnit() runs a unit once more
// on the new connection when nothing of it can have been written.

#include <QString>
#include <functional>

#include "data/ConnectionPool.h"

namespace nimbo::ConnectionPool {

// How one attempt of a unit of work ended, as far as running it again goes.
struct AttemptEnd {
    bool lock = false; // another writer's lock stopped it; nothing was kept
    bool lost = false; // the connection went away before the commit was sent
    QString why;       // the failure's text, for the log
};

// Runs the attempt again while another writer's lock stops it, up to the
// session's lock wait, and once more on the connection opened again when it
// went away before the commit (the server then dropped the transaction, so
// nothing was written). A unit whose commit met the loss is never run
// again: whether it took effect is unknown. letGo drops the caller's handles
// on the old connection before it is closed; the attempt takes them anew
// from the connection (its db.connection tells whether it changed).
void runUnit(Connection *connection, const QString &what, const std::function<AttemptEnd()> &attempt,
             const std::function<void()> &letGo = {});

} // namespace nimbo::ConnectionPool
