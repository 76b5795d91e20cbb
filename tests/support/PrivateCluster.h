#pragma once
// A throw-away PostgreSQL cluster of the test's own, on another port, for
// the tests that restart the database server: the server other tests share
// is never restarted. Made in a temporary folder, owned by the postgres
// user when the test runs as root (initdb refuses root), with trust
// authentication on loopback, and removed when the object goes.

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <unistd.h>

namespace nimbo::test {

class PrivateCluster {
public:
    PrivateCluster() : port_(50000 + int(::getpid() % 10000)) { dir_.setAutoRemove(true); }
    ~PrivateCluster()
    {
        if (started_)
            pgctl({QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
    }
    PrivateCluster(const PrivateCluster &) = delete;
    PrivateCluster &operator=(const PrivateCluster &) = delete;

    // initdb and start; false with error() saying why.
    bool start()
    {
        if (!dir_.isValid())
            return fail(QStringLiteral("no temporary folder"));
        if (::geteuid() == 0 && !run(QStringLiteral("chown"), {QStringLiteral("postgres"), dir_.path()}))
            return false;
        if (!run(bin(QStringLiteral("initdb")), {QStringLiteral("-D"), data(), QStringLiteral("-U"),
                                                 QStringLiteral("postgres"), QStringLiteral("--auth=trust"),
                                                 QStringLiteral("-N")}))
            return false;
        started_ = pgctl({QStringLiteral("-l"), dir_.path() + QStringLiteral("/log"), QStringLiteral("-w"),
                          QStringLiteral("start")});
        return started_;
    }
    // A real restart: every session ends, the server comes back.
    bool restart() { return pgctl({QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("restart")}); }

    QString connInfo() const
    {
        return QStringLiteral("host=127.0.0.1 port=%1 user=postgres dbname=postgres").arg(port_);
    }
    QString error() const { return error_; }

private:
    static QString bin(const QString &tool) { return QStringLiteral("/usr/lib/postgresql/15/bin/") + tool; }
    QString data() const { return dir_.path() + QStringLiteral("/data"); }
    bool fail(const QString &why)
    {
        error_ = why;
        return false;
    }
    bool pgctl(QStringList args)
    {
        args = QStringList{QStringLiteral("-D"), data(), QStringLiteral("-o"),
                           QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off")
                               .arg(port_)
                               .arg(dir_.path())}
               + args;
        return run(bin(QStringLiteral("pg_ctl")), args);
    }
    // Runs a tool, as the postgres user when the test is root.
    bool run(const QString &program, const QStringList &args)
    {
        QProcess p;
        if (::geteuid() == 0 && program != QLatin1String("chown")) {
            QStringList quoted;
            for (const QString &a : QStringList{program} + args)
                quoted << QLatin1Char('\'') + QString(a).replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'');
            p.start(QStringLiteral("su"), {QStringLiteral("postgres"), QStringLiteral("-c"), quoted.join(QLatin1Char(' '))});
        } else {
            p.start(program, args);
        }
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return fail(program + QStringLiteral(": ") + QString::fromLocal8Bit(p.readAllStandardError()));
        return true;
    }

    QTemporaryDir dir_;
    int port_;
    bool started_ = false;
    QString error_;
};

} // namespace nimbo::test
