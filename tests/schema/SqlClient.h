#pragma once
// One statement sent to a test register through the engine's own
// command-line client (sqlite3 or psql), the way someone holding the
// database's credentials could write to it without the program; the
// PostgreSQL password goes through the environment, never the command line.

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include "data/Dialect.h"
#include "support/TestDb.h"

namespace nimbo::test {

struct ClientResult {
    bool ok = false;
    QString output;
};

inline ClientResult sqlClient(const TestDb &db, const QString &sql)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (db.engine() == Dialect::Engine::SQLite) {
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), db.centralTarget().location, sql});
    } else {
        QStringList parts;
        for (const auto &[k, v] : Dialect::parseConnInfo(db.centralTarget().location)) {
            if (k == QLatin1String("password"))
                env.insert(QStringLiteral("PGPASSWORD"), v);
            else
                parts << k + QLatin1Char('=') + v;
        }
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("psql"), {parts.join(QLatin1Char(' ')), QStringLiteral("-v"),
                                         QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-qAt"),
                                         QStringLiteral("-c"), sql});
    }
    if (!p.waitForFinished(30000))
        return {false, QStringLiteral("client did not finish")};
    return {p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
            QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

} // namespace nimbo::test
