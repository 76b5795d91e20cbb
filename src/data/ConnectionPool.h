#pragma once
// The database connections of the application servers. Servers are made for
// a call and released after it, but opening a connection costs far more
// than most reads (on PostgreSQL a log-in and several settings), so each
// thread keeps one connection per kind of server and database for the whole
// session and every server object made there reuses it.
//
// A connection that went away (the database server restarted) is opened
// again by reopen(), which says so in the log.

#include <QSqlQuery>
#include <QString>
#include <map>

#include "data/C_GestDB.h"
#include "data/Dialect.h"

namespace nimbo::ConnectionPool {

struct Connection {
    QString purpose;
    Dialect::Target target;
    C_GestDB::Database db;
    // Statements prepared once on this connection by their SQL text; they
    // go with it when it is closed or opened again.
    std::map<QString, QSqlQuery> prepared;
    // SQLite: the file the connection was opened on (device and inode), so
    // that a file replaced under it is noticed.
    quint64 device = 0, inode = 0;
};

// The connection of this thread for the kind of server (purpose) and the
// database, opened when there is none yet or its file was replaced. The
// pointer stays good until closeAll() or the thread ends; callers ask again
// at every call instead of keeping it. Null on failure, *error says why.
Connection *acquire(const QString &purpose, const Dialect::Target &target, QString *error);

// Opens the connection again after it was found gone. Writes the log line
// naming what (the logical database) and why, on success and on failure.
bool reopen(Connection *connection, const QString &what, const QString &why, QString *error);

// Closes every connection of this thread.
void closeAll();

// Connections this thread holds (for tests).
int size();

} // namespace nimbo::ConnectionPool
