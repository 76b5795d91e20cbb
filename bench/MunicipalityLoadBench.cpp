// Loading the national list of municipalities with its postal codes, as
// "nimbo-admin load-municipalities" does it: reading and checking both
// files, then the first load into empty tables and a second load of the
// same files (which changes nothing), on SQLite and PostgreSQL
// (NIMBO_TEST_PG; skipped when unset). Each iteration of the first load
// gets a new database, made outside the timing.
//
//   bench_MunicipalityLoadBench

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

#include "schema/Municipalities.h"
#include "support/TestDb.h"

namespace {

namespace M = Schema::Municipalities;
using Dialect::Engine;

Engine engineOf(const benchmark::State &state) { return state.range(0) ? Engine::PostgreSQL : Engine::SQLite; }

// Both files read and checked, as the command does before it writes.
bool read(M::List *list)
{
    QString error;
    if (M::readList(M::shippedList(), list, &error) && M::readPostalCodes(M::shippedPostalCodes(), list, &error))
        return true;
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return false;
}

std::unique_ptr<nimbo::test::TestDb> emptyDatabase(benchmark::State &state)
{
    if (engineOf(state) == Engine::PostgreSQL && nimbo::test::TestDb::postgresAdminConnInfo().isEmpty()) {
        state.SkipWithError("NIMBO_TEST_PG not set");
        return nullptr;
    }
    auto db = std::make_unique<nimbo::test::TestDb>(engineOf(state), nimbo::test::Seed::Empty);
    if (!db->ok()) {
        state.SkipWithError(qPrintable(db->error()));
        return nullptr;
    }
    return db;
}

bool load(benchmark::State &state, nimbo::test::TestDb &db, M::Summary *summary)
{
    M::List list;
    QString error;
    QSqlDatabase c = db.central();
    if (read(&list) && M::load(c, list, QStringLiteral("BENCH"), summary, &error))
        return true;
    state.SkipWithError(qPrintable(error));
    return false;
}

void BM_ReadFiles(benchmark::State &state)
{
    for (auto _ : state) {
        M::List list;
        if (!read(&list)) {
            state.SkipWithError("files not read");
            return;
        }
        benchmark::DoNotOptimize(list);
    }
}

void BM_FirstLoad(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto db = emptyDatabase(state);
        state.ResumeTiming();
        M::Summary s;
        if (!db || !load(state, *db, &s))
            return;
        state.PauseTiming();
        if (s.municipalities.added != 7904)
            state.SkipWithError("not every municipality added");
        db.reset();
        state.ResumeTiming();
    }
}

void BM_SecondLoad(benchmark::State &state)
{
    auto db = emptyDatabase(state);
    M::Summary s;
    if (!db || !load(state, *db, &s))
        return;
    for (auto _ : state) {
        if (!load(state, *db, &s))
            return;
        if (s.changed())
            state.SkipWithError("the second load changed something");
    }
}

BENCHMARK(BM_ReadFiles)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FirstLoad)->ArgNames({"pg"})->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SecondLoad)->ArgNames({"pg"})->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
