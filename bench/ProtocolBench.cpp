// Registration throughput and latency of the protocol server on a large
// register, with 1 and 4 clients (threads, each with its own server and
// connection), on SQLite and PostgreSQL.
//
//   NIMBO_BENCH_ROWS  protocols put in the register first (default 1000000)
//   NIMBO_BENCH_OPS   registrations per client (default 300)
//   NIMBO_BENCH_PG    libpq connection string of a PostgreSQL server on which
//                     the database nimbo_bench is (re)made; NIMBO_TEST_PG
//                     when unset; PostgreSQL is skipped when both are empty
//   NIMBO_BENCH_PG_NOFLUSH=1  diagnostic only: the bench database does not
//                     wait for the disk at commit, which shows how much of
//                     the latency is the disk's flush (never for a register)
//
// Smoke run: NIMBO_BENCH_ROWS=1000 NIMBO_BENCH_OPS=20 bench_ProtocolBench

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

#include "BenchRegister.h"
#include "data/ConnectionPool.h"
#include "servers/ProtocolServer.h"
#include "support/ProtocolRequests.h"

namespace {

using bench::database;
using bench::envNumber;
using bench::kEnte;

void BM_Registration(benchmark::State &state)
{
    const auto engine = state.range(0) ? Dialect::Engine::PostgreSQL : Dialect::Engine::SQLite;
    const int clients = int(state.range(1));
    const auto target = database(engine);
    if (!target) {
        state.SkipWithError("database not available");
        return;
    }
    const long ops = envNumber("NIMBO_BENCH_OPS", 300);
    for (auto _ : state) {
        std::vector<double> latencies;
        std::mutex m;
        long failures = 0;
        const auto t0 = std::chrono::steady_clock::now();
        std::vector<std::thread> threads;
        for (int c = 0; c < clients; ++c) {
            threads.emplace_back([&, c] {
                std::vector<double> mine;
                long failed = 0;
                {
                    nimbo::ProtocolServer server(*target);
                    for (long i = 0; i < ops; ++i) {
                        const QString dir = (i + c) % 2 ? QStringLiteral("U") : QStringLiteral("E");
                        QVariantList req = nimbo::registrationRequest(
                            QStringLiteral("A"), nimbo::protocolCondition(kEnte, dir, QString()),
                            nimbo::test::newProtocolColumns(kEnte, dir, QStringLiteral("Misura %1-%2").arg(c).arg(i)),
                            QStringLiteral("OP01"), {nimbo::test::dossierColumns(kEnte, int(i % 50))});
                        const auto s = std::chrono::steady_clock::now();
                        const QVariantList reply = server.Elabora(nimbo::kOpRegistraProtocollo, req);
                        mine.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - s).count());
                        if (reply.value(0).toString() != QLatin1String("0") && failed++ == 0)
                            std::fprintf(stderr, "registration failed: %s\n", qPrintable(reply.value(1).toString()));
                    }
                }
                std::lock_guard<std::mutex> lock(m);
                latencies.insert(latencies.end(), mine.begin(), mine.end());
                failures += failed;
            });
        }
        for (auto &t : threads)
            t.join();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        bench::reportLatencies(state, latencies, seconds, failures);
        state.counters["regs_per_s"] = double(latencies.size()) / seconds;
    }
}

BENCHMARK(BM_Registration)
    ->ArgNames({"pg", "clients"})
    ->Args({0, 1})
    ->Args({0, 4})
    ->Args({1, 1})
    ->Args({1, 4})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) { return bench::runBenchmarks(argc, argv); }
