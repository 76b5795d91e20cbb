// The in-tray ("Documenti in entrata") of an office with many pending
// deliveries on a large register, on SQLite and PostgreSQL: the in-tray
// query read through the loader the window uses and turned into the list's
// rows, for an office operator (level 7), a department operator (level 8)
// and a personal operator (level 6).
//
//   NIMBO_BENCH_ROWS  protocols in the register (default 1000000)
//   NIMBO_BENCH_TRAY  pending deliveries to office UPR (default 100000), one in a
//                     hundred of them to DEMO7 as member 2; as many again go to
//                     each of two other offices
//   NIMBO_BENCH_OPS   reads per case (default 50)
//   NIMBO_TEST_PG     PostgreSQL server for the second engine (skipped when unset)
//
// Quick run: NIMBO_BENCH_ROWS=50000 NIMBO_BENCH_TRAY=5000 bench_IterTrayBench
//
// After Google Benchmark's own lines it prints p50 and p99 in milliseconds
// of every case on both engines.

#include <QCoreApplication>
#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "data/C_GestDB.h"
#include "data/Funzioni_Com_1.h"
#include "iter/TrayRules.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "support/TestDb.h"

using namespace nimbo;
using Dialect::Engine;

namespace {

const QString kBody = QStringLiteral("001");

long envNumber(const char *name, long fallback)
{
    bool ok = false;
    const long n = qgetenv(name).toLong(&ok);
    return ok && n > 0 ? n : fallback;
}

bool run(QSqlQuery &q, const QString &sql)
{
    if (q.exec(sql))
        return true;
    std::fprintf(stderr, "%s\n  %s\n", qPrintable(q.lastError().text()), qPrintable(sql.left(400)));
    return false;
}

// rows protocols of this year; every k-th one assigned to the whole office
// UPR (tray deliveries in all), the next one to ARC, the next to RAG; the
// movements spread over 300 days.
bool fill(QSqlDatabase &db, long rows, long tray)
{
    const bool pg = Dialect::engineOf(db) == Engine::PostgreSQL;
    const long k = std::max(3L, rows / std::max(1L, tray));
    const int year = QDate::currentDate().year();
    const QString series = QStringLiteral("WITH RECURSIVE s(g) AS (SELECT 1 UNION ALL SELECT g + 1 FROM s WHERE g < %1) ")
                               .arg(rows);
    const QString number = pg ? QStringLiteral("'%1' || lpad(g::text, 7, '0')").arg(year)
                              : QStringLiteral("'%1' || substr('0000000' || g, -7)").arg(year);
    const QString serial = pg ? QStringLiteral("to_char(CURRENT_DATE - (g % 300), 'YYYYMMDD') || '090000'")
                              : QStringLiteral("strftime('%Y%m%d', 'now', 'localtime', '-' || (g % 300) || ' days') || '090000'");
    // One delivery in a hundred of the office's goes to DEMO7 as member 2
    // instead: a person's own in-tray is small beside his office's.
    const QString office = QStringLiteral("CASE g % %1 WHEN 0 THEN 'UPR' WHEN 1 THEN 'ARC' ELSE 'RAG' END").arg(k);
    const QString member = QStringLiteral("CASE WHEN g % %1 = 0 AND g % %2 = 0 THEN 2 ELSE 0 END").arg(k).arg(100 * k);
    const QString assigned = QStringLiteral(" FROM s WHERE g % %1 < 3").arg(k);
    QSqlQuery q(db);
    return run(q, QStringLiteral("BEGIN"))
           && run(q, QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                                    "Tab_DataProtocollo, Tab_Oggetto, Tab_Tipologia, Tab_Intestatario, "
                                    "Tab_SedeRicezione, Tab_UfficioRegistrazione, Tab_CodiceOpeReg, "
                                    "Tab_StatoProtocollo, Tab_Stampato, Tab_SoggPrivacy) ")
                         + series
                         + QStringLiteral("SELECT '%1', 'E', %2, CURRENT_DATE, 'OGGETTO DEL DOCUMENTO ' || g, 'LET', 1, "
                                          "'PRO', 'UPR', 'DEMO9', CASE WHEN g % 97 = 0 THEN 'C' ELSE 'A' END, 'N', "
                                          "CASE WHEN g % 50 = 0 THEN 'S' ELSE 'N' END FROM s")
                               .arg(kBody, number))
           && run(q, QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                                    "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico) ")
                         + series + QStringLiteral("SELECT '%1', 'E', %2, %3, 4, 'UPR', 'DEMO9', 'N'").arg(kBody, number, serial)
                         + assigned)
           && run(q, QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, "
                                    "Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, "
                                    "Tab_TipoAssegnazione) ")
                         + series
                         + QStringLiteral("SELECT '%1', 'E', %2, %3, %4, %5, 1").arg(kBody, number, serial, office, member)
                         + assigned)
           && run(q, QStringLiteral("INSERT INTO Tab_Iter_Trasmissioni (Tab_Ente, Tab_TipoProtocollo, "
                                    "Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente) ")
                         + series + QStringLiteral("SELECT '%1', 'E', %2, %3, %4, %5").arg(kBody, number, serial, office, member)
                         + assigned)
           && run(q, QStringLiteral("COMMIT")) && run(q, pg ? QStringLiteral("VACUUM ANALYZE") : QStringLiteral("ANALYZE"));
}

struct Register {
    std::unique_ptr<test::TestDb> db;
    bool ok = false;
};

std::map<Engine, Register> &registers()
{
    static std::map<Engine, Register> made;
    return made;
}

Register &registerOf(Engine engine)
{
    auto &made = registers();
    auto it = made.find(engine);
    if (it == made.end()) {
        made.clear(); // a TestDb points the session at itself
        Register r;
        r.db = std::make_unique<test::TestDb>(engine, test::Seed::Demo);
        if (r.db->ok()) {
            QSqlDatabase db = r.db->central();
            const long rows = envNumber("NIMBO_BENCH_ROWS", 1000000), tray = envNumber("NIMBO_BENCH_TRAY", 100000);
            const auto t0 = std::chrono::steady_clock::now();
            r.ok = fill(db, rows, tray);
            std::fprintf(stderr, "%s: %ld protocols, %ld deliveries to UPR written in %.1f s\n",
                         engine == Engine::PostgreSQL ? "PostgreSQL" : "SQLite", rows, tray,
                         std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        } else {
            std::fprintf(stderr, "%s\n", qPrintable(r.db->error()));
        }
        registerServers();
        DicAmbiente::session().cfg.oleGenerica = kGenericProgId;
        it = made.emplace(engine, std::move(r)).first;
    }
    return it->second;
}

protocol::Viewer viewer(int level)
{
    protocol::Viewer v;
    v.ente = kBody;
    v.level = level;
    v.department = QStringLiteral("PRO");
    v.office = QStringLiteral("UPR");
    v.operatorCode = level == 6 ? QStringLiteral("DEMO7") : level == 7 ? QStringLiteral("DEMO7") : QStringLiteral("DEMO9");
    return v;
}

struct Line {
    double p50 = -1, p99 = -1;
    long rows = 0;
    double own = -1; // p99 of the statement alone

};
std::map<std::string, std::map<Engine, Line>> &lines()
{
    static std::map<std::string, std::map<Engine, Line>> t;
    return t;
}
std::vector<std::string> &shapes()
{
    static std::vector<std::string> s;
    return s;
}

void BM_Tray(benchmark::State &state)
{
    const Engine engine = state.range(0) ? Engine::PostgreSQL : Engine::SQLite;
    if (engine == Engine::PostgreSQL && test::TestDb::postgresAdminConnInfo().isEmpty()) {
        state.SkipWithError("NIMBO_TEST_PG not set");
        return;
    }
    Register &r = registerOf(engine);
    if (!r.ok) {
        state.SkipWithError("register not filled");
        return;
    }
    const int level = int(state.range(1));
    const protocol::Viewer v = viewer(level);
    iter::TrayCriteria c;
    c.from = QDate::currentDate().addYears(-1).toString(QStringLiteral("dd/MM/yyyy"));
    c.to = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    const long ops = envNumber("NIMBO_BENCH_OPS", 50);
    std::vector<double> ms;
    long rows = 0;
    for (auto _ : state) {
        for (long i = 0; i < ops; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            const Funzioni_Com_1::LoadedRows loaded = Funzioni_Com_1::loadRows(QStringLiteral("PROTOCOLLO"),
                                                                               iter::trayQuery(c, v, iter::trayOffices(v)));
            const Funzioni_Com_1::Columns shown = iter::trayRows(loaded, v);
            const double t = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            if (!loaded.ok && !loaded.noRows()) {
                state.SkipWithError(qPrintable(loaded.message));
                return;
            }
            ms.push_back(t);
            rows = shown.isEmpty() ? 0 : long(shown.first().size());
        }
        state.SetIterationTime(0.001 * std::accumulate(ms.begin(), ms.end(), 0.0) / double(ms.size()));
    }
    // The same statement on the bench's own open connection: what the
    // database costs without the loader's call.
    std::vector<double> own;
    {
        const QString sql = iter::trayQuery(c, v, iter::trayOffices(v));
        if (!qgetenv("NIMBO_BENCH_SQL").isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(sql));
            QSqlQuery plan(r.db->central());
            const bool pg = engine == Engine::PostgreSQL;
            if (plan.exec((pg ? QStringLiteral("EXPLAIN ANALYZE ") : QStringLiteral("EXPLAIN QUERY PLAN ")) + sql))
                while (plan.next())
                    std::fprintf(stderr, "  %s\n", qPrintable(plan.value(pg ? 0 : 3).toString()));
        }
        QSqlQuery q(r.db->central());
        for (long i = 0; i < ops; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            if (!q.exec(sql))
                break;
            while (q.next()) {
            }
            own.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        }
        std::sort(own.begin(), own.end());
    }
    std::sort(ms.begin(), ms.end());
    const std::string shape = level == 7 ? "office UPR (level 7)" : level == 8 ? "department PRO (level 8)"
                                                                                 : "member 2 of UPR (level 6)";
    if (std::find(shapes().begin(), shapes().end(), shape) == shapes().end())
        shapes().push_back(shape);
    Line &l = lines()[shape][engine];
    l.p50 = ms[size_t(0.5 * double(ms.size() - 1))];
    l.p99 = ms[size_t(0.99 * double(ms.size() - 1))];
    l.rows = rows;
    if (!own.empty())
        l.own = own[size_t(0.99 * double(own.size() - 1))];
    state.counters["rows"] = double(rows);
    state.counters["p99_ms"] = l.p99;
}

void printTable()
{
    std::printf("\nIn-tray, ms            %-34s %-34s\n", "SQLite p50 / p99 (rows) [sql p99]",
                "PostgreSQL p50 / p99 (rows) [sql p99]");
    for (const std::string &s : shapes()) {
        std::printf("%-26s", s.c_str());
        for (Engine e : {Engine::SQLite, Engine::PostgreSQL}) {
            const auto it = lines()[s].find(e);
            if (it == lines()[s].end() || it->second.p50 < 0)
                std::printf(" %-34s", "-");
            else
                std::printf(" %7.1f / %7.1f (%5ld) [%7.1f]", it->second.p50, it->second.p99, it->second.rows,
                            it->second.own);
        }
        std::printf("\n");
    }
}

BENCHMARK(BM_Tray)->ArgNames({"pg", "level"})->ArgsProduct({{0}, {7, 8, 6}})->Iterations(1)->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Tray)->ArgNames({"pg", "level"})->ArgsProduct({{1}, {7, 8, 6}})->Iterations(1)->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printTable();
    registers().clear();
    C_GestDB::closeLocalDatabase();
    return 0;
}
