#pragma once
// Internal: an explicit transaction that rolls back unless committed.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "data/Dialect.h"

namespace Schema::detail {

// Holds a transaction and rolls it back unless committed.
class Transaction {
public:
    explicit Transaction(QSqlDatabase &db) : db_(db) {}
    ~Transaction()
    {
        if (open_)
            QSqlQuery(db_).exec(QStringLiteral("ROLLBACK"));
    }
    bool begin(QString *error)
    {
        QSqlQuery q(db_);
        // IMMEDIATE: a second installer waits for the first instead of
        // failing half-way on SQLite.
        const bool pg = Dialect::engineOf(db_) == Dialect::Engine::PostgreSQL;
        if (!q.exec(pg ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"))) {
            *error = q.lastError().text();
            return false;
        }
        open_ = true;
        // Two installers upgrading one server database take turns.
        if (pg && !q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(7206114)"))) {
            *error = q.lastError().text();
            return false;
        }
        return true;
    }
    bool commit(QString *error)
    {
        QSqlQuery q(db_);
        if (!q.exec(QStringLiteral("COMMIT"))) {
            *error = q.lastError().text();
            return false;
        }
        open_ = false;
        return true;
    }

private:
    QSqlDatabase &db_;
    bool open_ = false;
};

} // namespace Schema::detail
