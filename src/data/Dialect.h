#pragma once
// Everything that differs between the two engines lives here: how a
// connection is opened, the server-time query, date arithmetic,
// case-insensitive matching and row limits. No window asks which engine is
// in use.

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

namespace Dialect {

enum class Engine { SQLite, PostgreSQL };

// Where a database lives: a SQLite file, or a PostgreSQL server named by a
// libpq connection string ("host=... port=... dbname=... user=...").
struct Target {
    Engine engine = Engine::SQLite;
    QString location; // file path or connection string
    bool readOnly = false; // open without write access
    static Target sqlite(const QString &path) { return {Engine::SQLite, path}; }
    static Target postgres(const QString &conninfo) { return {Engine::PostgreSQL, conninfo}; }
};

// The central database of this session: SERVERDB when set, else the file of
// the PROTOCOLLO declaration.
Target centralTarget();

// Opens (or returns the already open) Qt connection of the given name.
// SQLite connections get foreign keys on, WAL journal with a sync at every
// commit, and the NOW() function so that the same SQL text runs on both
// engines. On failure the connection is removed, false returned and *error
// filled.
bool open(const QString &connectionName, const Target &target, QString *error);
// Closes and removes a connection opened by open().
void close(const QString &connectionName);

Engine engineOf(const QSqlDatabase &db);

// True when the error the engine reported means "locked by another user".
bool isLockError(const QSqlDatabase &db, const QString &nativeCode, const QString &text);
// True when the engine itself has already waited the whole lock wait before
// reporting the lock (PostgreSQL's lock timeout): trying again is pointless,
// and inside a transaction impossible.
bool lockWaitSpent(const QSqlDatabase &db, const QString &nativeCode);
// True when the error means that the connection is gone (server restarted,
// backend ended, network down): the statement never reached a live server.
bool isConnectionLost(const QSqlDatabase &db, const QSqlError &error);

// SELECT that returns the server's current local date and time.
QString serverTimeQuery(Engine e);
// Expression: the date expression plus n days, as a date.
QString addDays(Engine e, const QString &dateExpr, int days);
// Expression: whole days from a to b.
QString daysBetween(Engine e, const QString &a, const QString &b);
// Expression: column LIKE pattern, case-insensitive; pattern is SQL text
// already quoted.
QString likeNoCase(Engine e, const QString &column, const QString &quotedPattern);
// " LIMIT n"
QString limit(int n);

// Statement that begins a transaction; on SQLite it takes the write lock at
// once, so another workstation's lock shows up at the start of a batch.
QString beginStatement(Engine e);
// True when the connection cannot write.
bool isReadOnly(const QSqlDatabase &db);
// Makes a statement that meets another user's lock wait at most the
// session's lock wait and then fail with a lock error, instead of waiting
// without end. On PostgreSQL the server does the waiting (lock_timeout):
// a lock error aborts the transaction, so a statement inside one could not
// be tried again.
bool boundLockWaits(QSqlDatabase &db, QString *error);
// Brings the connection's bound up to date when the session's lock wait
// changed since it was set; cheap when it did not.
void followLockWait(QSqlDatabase &db);
// Forgets the bound recorded for a connection (closed, or a rollback undid
// a change of it).
void forgetLockWait(const QString &connectionName);
// Makes this thread's record of the bounds. Whatever closes connections when
// the thread ends (a thread-local pool) calls it before it is made itself,
// so that the record outlives it.
void prepareThread();

// Splits a libpq connection string into its key=value pairs (values may be
// single-quoted, with \' and \\ escapes).
QList<QPair<QString, QString>> parseConnInfo(const QString &conninfo);

} // namespace Dialect
