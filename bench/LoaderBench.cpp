// One loader call through the generic server, as every window read makes
// it: the single-row loader (operation 100) on the installation parameters
// and the multi-row loader (operation 110) on the operators, on SQLite and
// PostgreSQL (NIMBO_TEST_PG; skipped when unset). The figure is the whole
// call, server object creation included.
//
//   bench_LoaderBench --benchmark_min_time=2

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>

#include "data/Funzioni_Com_1.h"
#include "schema/DemoData.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "support/TestDb.h"

namespace {

namespace F = Funzioni_Com_1;
using Dialect::Engine;

// The demo register of one engine, made on first use; the session points
// at the engine last asked for.
bool ready(Engine engine)
{
    static std::map<Engine, std::unique_ptr<nimbo::test::TestDb>> made;
    static Engine current = Engine::SQLite;
    static bool any = false;
    if (any && current == engine)
        return made[engine] && made[engine]->ok();
    if (engine == Engine::PostgreSQL && nimbo::test::TestDb::postgresAdminConnInfo().isEmpty())
        return false;
    made.clear(); // a TestDb points the session at itself
    auto db = std::make_unique<nimbo::test::TestDb>(engine, nimbo::test::Seed::Demo);
    if (!db->ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(db->error()));
        return false;
    }
    nimbo::registerServers();
    DicAmbiente::session().cfg.oleGenerica = nimbo::kGenericProgId;
    made[engine] = std::move(db);
    current = engine;
    any = true;
    return true;
}

Engine engineOf(const benchmark::State &state) { return state.range(0) ? Engine::PostgreSQL : Engine::SQLite; }

void BM_Caricadati(benchmark::State &state)
{
    if (!ready(engineOf(state))) {
        state.SkipWithError("database not available");
        return;
    }
    const QString sql = QStringLiteral("SELECT Ente_codice_ASL, ente_tipo_utente,Ente_Tipo_Registro, "
                                       "Ente_CodiceDIP,EnteCodiceProt,EnteIDServer,Ente_UserFTP,Ente_PWDFTP "
                                       "FROM Tab_Parm_Gen WHERE Ente_Cod_Struttura='")
                        + Schema::demoBody() + QLatin1Char('\'');
    for (auto _ : state) {
        auto row = F::Caricadati(QStringLiteral("PROTOCOLLO"), sql);
        if (!row) {
            state.SkipWithError("no row");
            return;
        }
        benchmark::DoNotOptimize(row);
    }
}

void BM_loadRows(benchmark::State &state)
{
    if (!ready(engineOf(state))) {
        state.SkipWithError("database not available");
        return;
    }
    const QString sql = QStringLiteral("SELECT Op_Codice_Operatore, Op_Cognome, Op_Nome, Op_Livello FROM Tab_Operatori "
                                       "ORDER BY Op_Codice_Operatore");
    for (auto _ : state) {
        auto rows = F::loadRows(QStringLiteral("PROTOCOLLO"), sql);
        if (!rows.ok) {
            state.SkipWithError("read failed");
            return;
        }
        benchmark::DoNotOptimize(rows);
    }
}

BENCHMARK(BM_Caricadati)->ArgNames({"pg"})->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_loadRows)->ArgNames({"pg"})->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
