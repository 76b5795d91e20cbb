#pragma once
// What a database server restart looks like to a workstation, without
// restarting a server that other tests share: every session of the test's
// own database, except the one asking, is ended by the server.

#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <gtest/gtest.h>

#include "support/TestDb.h"

namespace nimbo::test {

// The dbname of a PostgreSQL test database.
inline QString databaseName(const TestDb &db)
{
    for (const auto &[k, v] : Dialect::parseConnInfo(db.centralTarget().location))
        if (k == QLatin1String("dbname"))
            return v;
    return {};
}

// Ends the sessions of db's database (only that one: others' tests run on
// the same server) but keep's, and waits until they are gone. Call with
// ASSERT_NO_FATAL_FAILURE.
inline void endSessionsOf(const TestDb &db, const QSqlDatabase &keep = QSqlDatabase())
{
    QString kept = QStringLiteral("0");
    if (keep.isOpen()) {
        QSqlQuery k(keep);
        ASSERT_TRUE(k.exec(QStringLiteral("SELECT pg_backend_pid()")) && k.next());
        kept = k.value(0).toString();
    }
    const QString dbname = databaseName(db);
    ASSERT_FALSE(dbname.isEmpty());
    const QString admin = QStringLiteral("end_sessions_admin");
    ASSERT_TRUE(Dialect::open(admin, Dialect::Target::postgres(TestDb::postgresAdminConnInfo()), nullptr));
    {
        QSqlQuery a(QSqlDatabase::database(admin, false));
        const QString others =
            QStringLiteral("FROM pg_stat_activity WHERE datname = '%1' AND pid <> pg_backend_pid() AND pid <> %2")
                .arg(dbname, kept);
        EXPECT_TRUE(a.exec(QStringLiteral("SELECT pg_terminate_backend(pid) ") + others))
            << a.lastError().text().toStdString();
        for (int i = 0; i < 100; ++i) {
            if (!a.exec(QStringLiteral("SELECT COUNT(*) ") + others) || !a.next() || a.value(0).toInt() == 0)
                break;
            QThread::msleep(50);
        }
    }
    Dialect::close(admin);
}

} // namespace nimbo::test
