#pragma once
// Runs the installer command as an installer runs it: a separate process
// whose exit status and messages are all the caller sees. Passwords reach
// it the way the README says, never on its command line: the PostgreSQL
// password of the test server in PGPASSWORD, an operator's or a role's
// password on standard input.

#include <QCoreApplication>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <gtest/gtest.h>

#include "data/Dialect.h"
#include "support/TestDb.h"

namespace nimbo::test {

struct AdminResult {
    int status = -1;
    QString out, err;
};

// The conninfo without its password, which goes to *password.
inline QString withoutPassword(const QString &conninfo, QString *password = nullptr)
{
    QStringList parts;
    for (const auto &[k, v] : Dialect::parseConnInfo(conninfo)) {
        if (k == QLatin1String("password")) {
            if (password)
                *password = v;
            continue;
        }
        QString q = v;
        q.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
        parts << k + QStringLiteral("='") + q + QLatin1Char('\'');
    }
    return parts.join(QLatin1Char(' '));
}

// Runs nimbo-admin with the given standard input (closed after it) and
// environment changes (a null value removes the variable).
inline AdminResult admin(const QStringList &args, const QByteArray &input = {},
                         const QMap<QString, QString> &envChanges = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString password;
    withoutPassword(TestDb::postgresAdminConnInfo(), &password);
    if (!password.isEmpty())
        env.insert(QStringLiteral("PGPASSWORD"), password);
    for (auto it = envChanges.begin(); it != envChanges.end(); ++it) {
        if (it.value().isNull())
            env.remove(it.key());
        else
            env.insert(it.key(), it.value());
    }
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(NIMBO_ADMIN_PATH), args);
    EXPECT_TRUE(p.waitForStarted());
    p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(120000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

// --sqlite FILE or --pg CONNINFO (without the password) of a test database.
inline QStringList targetArgs(const TestDb &db)
{
    const Dialect::Target t = db.centralTarget();
    return t.engine == Dialect::Engine::SQLite ? QStringList{QStringLiteral("--sqlite"), t.location}
                                               : QStringList{QStringLiteral("--pg"), withoutPassword(t.location)};
}

// Roles are shared by every database of the server, and other test runs use
// it at the same time: each process uses its own names.
inline QString uniqueRole(const char *stem)
{
    return QStringLiteral("nimbo_t_%1_%2").arg(QLatin1String(stem)).arg(QCoreApplication::applicationPid());
}

// Takes a role out of the server again: its grants in the test database
// first (db is a superuser connection to it), then the role itself.
inline void dropRole(const QSqlDatabase &db, const QString &role)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = ?"));
    q.addBindValue(role);
    if (!q.exec() || !q.next())
        return;
    q.finish();
    EXPECT_TRUE(q.exec(QStringLiteral("DROP OWNED BY ") + role)) << q.lastError().text().toStdString();
    EXPECT_TRUE(q.exec(QStringLiteral("DROP ROLE ") + role)) << q.lastError().text().toStdString();
}

} // namespace nimbo::test
