#pragma once
// The large register the benchmarks of the protocol server run on: a
// database per engine made by the schema code and filled with protocols of
// the current year of the body BENCH.
//
//   NIMBO_BENCH_ROWS  protocols put in the register first (default 1000000)
//   NIMBO_BENCH_PG    libpq connection string of a PostgreSQL server on which
//                     the benchmark's database is (re)made; NIMBO_TEST_PG
//                     when unset; PostgreSQL is skipped when both are empty
//   NIMBO_BENCH_PG_NOFLUSH=1  diagnostic only: the bench database does not
//                     wait for the disk at commit (never for a register)

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/Dialect.h"
#include "schema/Schema.h"
#include "support/ProtocolRequests.h"

namespace bench {

inline const QString kEnte = QStringLiteral("BENCH");

inline long envNumber(const char *name, long fallback)
{
    const QByteArray v = qgetenv(name);
    bool ok = false;
    const long n = v.toLong(&ok);
    return ok && n >= 0 ? n : fallback;
}

inline QString pgServer()
{
    const QByteArray v = qgetenv("NIMBO_BENCH_PG");
    return QString::fromLocal8Bit(v.isEmpty() ? qgetenv("NIMBO_TEST_PG") : v);
}

inline bool run(QSqlQuery &q, const QString &sql)
{
    if (q.exec(sql))
        return true;
    std::fprintf(stderr, "%s\n  %s\n", qPrintable(q.lastError().text()), qPrintable(sql.left(300)));
    return false;
}

// Fills the register with rows protocols of the current year, alternately
// incoming and outgoing, and sets the counter after them.
inline bool fill(QSqlDatabase &db, long rows)
{
    QSqlQuery q(db);
    const int year = QDate::currentDate().year();
    const bool pg = Dialect::engineOf(db) == Dialect::Engine::PostgreSQL;
    const QString cols = QStringLiteral("Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataProtocollo, "
                                        "Tab_OraProtocollo, Tab_DataRegistrazione, Tab_Oggetto, Tab_Tipologia, "
                                        "Tab_Intestatario, Tab_SedeRicezione, Tab_UfficioRegistrazione, Tab_CodiceOpeReg, "
                                        "Tab_StatoProtocollo, Tab_Stampato");
    // The rows are written by hand, not registered: the register admits
    // them for the filling only.
    if (!run(q, QStringLiteral("BEGIN"))
        || !run(q, QStringLiteral("INSERT INTO Tab_Protocollo_Ammissioni (Amm_Ente, Amm_Motivo) VALUES ('BENCH', "
                                  "'registro di prova')")))
        return false;
    if (pg) {
        if (!run(q, QStringLiteral("INSERT INTO Tab_Protocollo (%1) SELECT 'BENCH', CASE WHEN g % 2 = 1 THEN 'E' ELSE "
                                   "'U' END, '%2' || lpad(g::text, 7, '0'), CURRENT_DATE - (g % 300), '10:00:00', "
                                   "CURRENT_DATE - (g % 300), 'Pratica numero ' || g, 'LET', g % 5000, 'D0' || (g % 9), "
                                   "'U01', 'OP01', 'A', 'N' FROM generate_series(1, %3) g")
                                .arg(cols)
                                .arg(year)
                                .arg(rows)))
            return false;
    } else {
        // Multi-row inserts of one prepared statement keep the per-row cost low.
        constexpr int kChunk = 200;
        const QString one = QStringLiteral("(?,?,?,?,'10:00:00',?,?,'LET',?,?,'U01','OP01','A','N')");
        QStringList many;
        for (int i = 0; i < kChunk; ++i)
            many << one;
        QSqlQuery ins(db);
        const QString sql = QStringLiteral("INSERT INTO Tab_Protocollo (%1) VALUES ").arg(cols);
        if (!ins.prepare(sql + many.join(QLatin1Char(','))))
            return false;
        const QDate today = QDate::currentDate();
        for (long g = 1; g <= rows;) {
            const long n = std::min<long>(kChunk, rows - g + 1);
            if (n < kChunk) {
                QStringList rest;
                for (long i = 0; i < n; ++i)
                    rest << one;
                ins.prepare(sql + rest.join(QLatin1Char(',')));
            }
            for (long i = 0; i < n; ++i, ++g) {
                const QString day = today.addDays(-(g % 300)).toString(Qt::ISODate);
                ins.addBindValue(kEnte);
                ins.addBindValue(g % 2 ? QStringLiteral("E") : QStringLiteral("U"));
                ins.addBindValue(QString::number(year) + QString::number(g).rightJustified(7, QLatin1Char('0')));
                ins.addBindValue(day);
                ins.addBindValue(day);
                ins.addBindValue(QStringLiteral("Pratica numero %1").arg(g));
                ins.addBindValue(qlonglong(g % 5000));
                ins.addBindValue(QStringLiteral("D0%1").arg(g % 9));
            }
            if (!ins.exec()) {
                std::fprintf(stderr, "%s\n", qPrintable(ins.lastError().text()));
                return false;
            }
        }
    }
    QString seedError;
    if (!nimbo::test::seedRegistrationReferences(db, kEnte, &seedError)) {
        std::fprintf(stderr, "%s\n", qPrintable(seedError));
        return false;
    }
    const long lastE = rows % 2 ? rows : rows - 1, lastU = rows % 2 ? rows - 1 : rows;
    return run(q, QStringLiteral("INSERT INTO TAB_STARTPROTOCOLLO (Tab_CodiceEnte, Tab_AnnoProtocollo, "
                                 "Tab_ProtocolloEntrata, tab_protocolloUscita) VALUES ('BENCH', %1, %2, %3)")
                      .arg(year)
                      .arg(std::max(0L, lastE))
                      .arg(std::max(0L, lastU)))
           && run(q, QStringLiteral("DELETE FROM Tab_Protocollo_Ammissioni WHERE Amm_Ente = 'BENCH'"))
           && run(q, QStringLiteral("COMMIT")) && run(q, QStringLiteral("ANALYZE"));
}

// The benchmark database of an engine, made and filled on first use: on
// PostgreSQL the database pgName of the server (dropped and made again),
// on SQLite a temporary file. more, when given, adds what one benchmark
// needs beyond the register, in the filling's connection.
// With NIMBO_BENCH_KEEP set to a tag, the database is kept under a name of
// the tag and the size (pgName_tag_rows, or that file in the temporary
// folder) and a later run with the same tag uses it again as it is, once
// it was filled to the end.
inline std::optional<Dialect::Target> database(Dialect::Engine engine, const QString &pgName = QStringLiteral("nimbo_bench"),
                                               const std::function<bool(QSqlDatabase &)> &more = {})
{
    static QTemporaryDir dir;
    static std::optional<Dialect::Target> made[2];
    static bool tried[2] = {false, false};
    const int i = engine == Dialect::Engine::PostgreSQL ? 1 : 0;
    if (tried[i])
        return made[i];
    tried[i] = true;
    const long rows = envNumber("NIMBO_BENCH_ROWS", 1000000);
    const QString tag = qEnvironmentVariable("NIMBO_BENCH_KEEP").trimmed().toLower();
    const QString kept = tag.isEmpty() ? QString() : QStringLiteral("%1_%2_%3").arg(pgName, tag).arg(rows);
    // A kept database is used again only once it holds the mark of a fill
    // that ran to the end.
    const auto ready = [&](const Dialect::Target &t) {
        const QString name = QStringLiteral("bench_kept_%1").arg(i);
        QString err;
        bool ok = false;
        if (Dialect::open(name, t, &err)) {
            QSqlQuery q(QSqlDatabase::database(name, false));
            ok = q.exec(QStringLiteral("SELECT COUNT(*) FROM bench_filled")) && q.next();
        }
        Dialect::close(name);
        return ok;
    };
    Dialect::Target target;
    if (!kept.isEmpty() && engine == Dialect::Engine::SQLite) {
        target = Dialect::Target::sqlite(QDir::temp().filePath(kept + QStringLiteral(".sqlite")));
        if (QFile::exists(target.location) && ready(target)) {
            made[i] = target;
            return target;
        }
        QFile::remove(target.location);
    } else if (engine == Dialect::Engine::PostgreSQL) {
        const QString server = pgServer();
        if (server.isEmpty())
            return {};
        const QString database = kept.isEmpty() ? pgName : kept;
        if (!kept.isEmpty()) {
            target = Dialect::Target::postgres(server + QStringLiteral(" dbname=") + database);
            if (ready(target)) {
                made[i] = target;
                return target;
            }
        }
        QString err;
        if (!Dialect::open(QStringLiteral("bench_admin"), Dialect::Target::postgres(server), &err)) {
            std::fprintf(stderr, "PostgreSQL: %s\n", qPrintable(err));
            return {};
        }
        {
            QSqlQuery q(QSqlDatabase::database(QStringLiteral("bench_admin"), false));
            if (!run(q, QStringLiteral("DROP DATABASE IF EXISTS ") + database) || !run(q, QStringLiteral("CREATE DATABASE ") + database))
                return {};
            if (envNumber("NIMBO_BENCH_PG_NOFLUSH", 0) == 1
                && !run(q, QStringLiteral("ALTER DATABASE ") + database + QStringLiteral(" SET synchronous_commit TO off")))
                return {};
        }
        Dialect::close(QStringLiteral("bench_admin"));
        target = Dialect::Target::postgres(server + QStringLiteral(" dbname=") + database);
    } else {
        target = Dialect::Target::sqlite(dir.filePath(QStringLiteral("bench.db")));
    }
    const QString name = QStringLiteral("bench_fill_%1").arg(i);
    QString err;
    if (!Dialect::open(name, target, &err)) {
        std::fprintf(stderr, "%s\n", qPrintable(err));
        return {};
    }
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        const auto t0 = std::chrono::steady_clock::now();
        QSqlQuery mark(db);
        if (!Schema::createOrUpgrade(db, Schema::Kind::Central, &err) || !fill(db, rows) || (more && !more(db))
            || !run(mark, QStringLiteral("CREATE TABLE bench_filled (n INTEGER)"))) {
            std::fprintf(stderr, "filling the register failed: %s\n", qPrintable(err));
            return {};
        }
        std::fprintf(stderr, "%s: %ld protocols written in %.1f s\n", i ? "PostgreSQL" : "SQLite", rows,
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    Dialect::close(name);
    made[i] = target;
    return target;
}

// The run's wall time and its latency counters (p50, p99 in ms; failures),
// the latencies sorted in place.
inline void reportLatencies(benchmark::State &state, std::vector<double> &latencies, double seconds, long failures)
{
    std::sort(latencies.begin(), latencies.end());
    auto pct = [&](double p) { return latencies.empty() ? 0.0 : latencies[size_t(p * double(latencies.size() - 1))]; };
    state.SetIterationTime(seconds);
    state.counters["p50_ms"] = pct(0.50);
    state.counters["p99_ms"] = pct(0.99);
    state.counters["failures"] = double(failures);
}

// Processor time in ms: this thread's, plus (PostgreSQL, backend > 0) the
// server process serving the connection, from its scheduler statistics.
// The machine's other work stretches the wall clock; this time does not
// depend on it.
inline double cpuMs(long backend)
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    double ms = double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
    if (backend > 0) {
        std::ifstream stat("/proc/" + std::to_string(backend) + "/schedstat");
        double ns = 0;
        if (stat >> ns)
            ms += ns / 1e6;
    }
    return ms;
}

// A statement and its plan, on standard error.
inline void printPlan(QSqlDatabase db, const QString &sql, bool pg)
{
    std::fprintf(stderr, "%s\n", qPrintable(sql));
    QSqlQuery plan(db);
    if (plan.exec((pg ? QStringLiteral("EXPLAIN ANALYZE ") : QStringLiteral("EXPLAIN QUERY PLAN ")) + sql))
        while (plan.next())
            std::fprintf(stderr, "  %s\n", qPrintable(plan.value(pg ? 0 : 3).toString()));
}

inline int runBenchmarks(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
