// The start page's four lists (in-tray, deadlines due within five days or
// overdue, today's registrations of the office, the protocols opened last)
// read as the page reads them on every return to the main window, on
// SQLite and PostgreSQL, for a level-7, a level-8 and a level-9 operator.
//
// It runs on the register the deadline benchmark keeps (a million protocols,
// three movements each, deadlines over two years): fill it once with
//   NIMBO_BENCH_KEEP=<tag> bench_DeadlineBench
// and run this one with the same tag and row count. Its first run makes each
// assignment of that register a pending delivery (the in-trays).
//
//   NIMBO_BENCH_KEEP  the tag of the kept register (required)
//   NIMBO_BENCH_ROWS  its protocols (default 1000000)
//   NIMBO_BENCH_OPS   fills timed per case (default 20)
//   NIMBO_TEST_PG     PostgreSQL server for the second engine (skipped when unset)

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "data/C_GestDB.h"
#include "desk/StartRules.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "support/TestDb.h"
#include "ui/RecentProtocols.h"

#include "BenchRegister.h"

using namespace nimbo;
using Dialect::Engine;

namespace {

std::map<Engine, std::unique_ptr<test::TestDb>> &registers()
{
    static std::map<Engine, std::unique_ptr<test::TestDb>> made;
    return made;
}

test::TestDb *registerOf(Engine engine)
{
    auto &made = registers();
    if (auto it = made.find(engine); it != made.end())
        return it->second.get();
    made.clear(); // a TestDb points the session at itself
    const long rows = bench::envNumber("NIMBO_BENCH_ROWS", 1000000);
    const QString tag = qEnvironmentVariable("NIMBO_BENCH_KEEP");
    if (tag.isEmpty())
        return nullptr;
    qputenv("NIMBO_TESTDB_KEEP", QStringLiteral("nimbo_dlbench_%1_%2").arg(tag).arg(rows).toUtf8());
    auto db = std::make_unique<test::TestDb>(engine, test::Seed::Empty);
    QSqlQuery count(db->central());
    if (!db->ok() || !count.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")) || !count.next()
        || count.value(0).toLongLong() < rows) {
        std::fprintf(stderr, "no kept register of %ld protocols under tag %s: run bench_DeadlineBench first\n", rows,
                     qPrintable(tag));
        return nullptr;
    }
    // The deadline benchmark's register has assignments but no pending
    // deliveries: each assignment is made one, once, so that the offices'
    // in-trays hold some three thousand documents each.
    QSqlQuery q(db->central());
    if (q.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_Iter_Trasmissioni")) && q.next() && q.value(0).toLongLong() == 0) {
        if (!q.exec(QStringLiteral("INSERT INTO Tab_Iter_Trasmissioni (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                                   "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente) SELECT Tab_Ente, "
                                   "Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_UfficioDestinatario, "
                                   "0 FROM Tab_Iter_Destinatari"))
            || !q.exec(QStringLiteral("ANALYZE"))) {
            std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
            return nullptr;
        }
    }
    registerServers();
    DicAmbiente::session().cfg.oleGenerica = kGenericProgId;
    return made.emplace(engine, std::move(db)).first->second.get();
}

// Level 7: the office that registered the whole register (every protocol
// of its list of today's registrations); the others an office that
// registered none, so that the list of today is looked for and not found.
protocol::Viewer viewer(int level)
{
    protocol::Viewer v;
    v.ente = QStringLiteral("001");
    v.level = level;
    v.department = level == 7 ? QStringLiteral("D10") : QStringLiteral("D12");
    v.office = level == 7 ? QStringLiteral("U100") : QStringLiteral("U111");
    v.operatorCode = level == 7 ? QStringLiteral("OP1") : QStringLiteral("OP11");
    return v;
}

void BM_StartPage(benchmark::State &state)
{
    const Engine engine = state.range(0) ? Engine::PostgreSQL : Engine::SQLite;
    if (engine == Engine::PostgreSQL && test::TestDb::postgresAdminConnInfo().isEmpty()) {
        state.SkipWithError("NIMBO_TEST_PG not set");
        return;
    }
    test::TestDb *db = registerOf(engine);
    if (!db) {
        state.SkipWithError("no kept register");
        return;
    }
    const protocol::Viewer v = viewer(int(state.range(1)));
    // Ten protocols opened lately, spread over the register.
    ui::forgetRecentProtocols(v.ente, v.operatorCode);
    const long rows = bench::envNumber("NIMBO_BENCH_ROWS", 1000000);
    for (long g = 1; g <= 10; ++g)
        ui::rememberProtocol(v.ente, v.operatorCode, g % 2 ? QStringLiteral("E") : QStringLiteral("U"),
                             QStringLiteral("%1%2").arg(QDate::currentDate().year()).arg(g * rows / 11, 7, 10, QLatin1Char('0')));
    const long ops = bench::envNumber("NIMBO_BENCH_OPS", 20);
    std::vector<double> ms;
    desk::DeskLists shown;
    long failures = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (long i = 0; i < ops; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            shown = desk::readDesk(v);
            failures += shown.failed ? 1 : 0;
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        }
    }
    bench::reportLatencies(state, ms, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                           failures);
    state.counters["tray"] = double(shown.tray.size());
    state.counters["deadlines"] = double(shown.deadlines.size());
    state.counters["today"] = double(shown.today.size());
    state.counters["recent"] = double(shown.recent.size());
}

// engine (0 SQLite, 1 PostgreSQL) x level
BENCHMARK(BM_StartPage)->ArgsProduct({{0, 1}, {7, 8, 9}})->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The registers' connections go while the application still stands.
    registers().clear();
    C_GestDB::closeLocalDatabase();
    return 0;
}
