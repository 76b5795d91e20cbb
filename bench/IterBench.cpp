// Taking in charge (operation 16 of the protocol server) on a large
// register with many pending deliveries, with 1 and 4 clients (threads,
// each with its own server and connection) taking different deliveries, on
// SQLite and PostgreSQL: latency of one request of one delivery.
//
//   NIMBO_BENCH_ROWS        protocols in the register (default 1000000)
//   NIMBO_BENCH_DELIVERIES  pending deliveries to office U02 on the newest
//                           protocols (default 100000)
//   NIMBO_BENCH_OPS         requests per client (default 300)
//   NIMBO_BENCH_PG          as for the other benchmarks (see BenchRegister.h)
//
// Smoke run: NIMBO_BENCH_ROWS=2000 NIMBO_BENCH_DELIVERIES=2000 NIMBO_BENCH_OPS=20 bench_IterBench

#include <QSqlQuery>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "BenchRegister.h"
#include "data/ConnectionPool.h"
#include "servers/IterRequests.h"
#include "servers/ProtocolServer.h"

namespace {

using bench::envNumber;
using bench::kEnte;

struct Delivery {
    QString direction, number;
    qlonglong id = 0;
};

std::vector<Delivery> &deliveries(int engine)
{
    static std::vector<Delivery> d[2];
    return d[engine];
}

// One assignment movement per protocol, newest first, each with a pending
// delivery to the whole office U02 of department D01.
bool addDeliveries(QSqlDatabase &db, int engine)
{
    const long n = envNumber("NIMBO_BENCH_DELIVERIES", 100000);
    QSqlQuery q(db);
    const QString newest = QStringLiteral(" FROM Tab_Protocollo WHERE Tab_Ente = 'BENCH' ORDER BY "
                                          "Tab_NumeroProtocollo DESC LIMIT %1")
                               .arg(n);
    if (!bench::run(q, QStringLiteral("BEGIN"))
        || !bench::run(q, QStringLiteral("INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, "
                                         "Tab_Descrizione) VALUES ('BENCH', 'D01', 'U02', 'Ragioneria')"))
        || !bench::run(q, QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, "
                                         "Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, "
                                         "Tab_CodiceOpe, Tab_InCarico) SELECT Tab_Ente, Tab_TipoProtocollo, "
                                         "Tab_NumeroProtocollo, '20250101090000', 4, 'U01', 'OP01', 'N'")
                                  + newest)
        || !bench::run(q, QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, "
                                         "Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_UfficioDestinatario, "
                                         "Tab_Componente, Tab_TipoAssegnazione) SELECT Tab_Ente, Tab_TipoProtocollo, "
                                         "Tab_NumeroProtocollo, '20250101090000', 'U02', 0, 1")
                                  + newest)
        || !bench::run(q, QStringLiteral("INSERT INTO Tab_Iter_Trasmissioni (Tab_Ente, Tab_TipoProtocollo, "
                                         "Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_UfficioDestinatario, "
                                         "Tab_Componente) SELECT Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                                         "'20250101090000', 'U02', 0")
                                  + newest)
        || !bench::run(q, QStringLiteral("COMMIT")) || !bench::run(q, QStringLiteral("ANALYZE")))
        return false;
    if (!bench::run(q, QStringLiteral("SELECT Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_progressivo FROM "
                                      "Tab_Iter_Trasmissioni ORDER BY Tab_progressivo")))
        return false;
    while (q.next())
        deliveries(engine).push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toLongLong()});
    return true;
}

void BM_TakeInCharge(benchmark::State &state)
{
    const int engine = int(state.range(0));
    const int clients = int(state.range(1));
    const auto target = bench::database(engine ? Dialect::Engine::PostgreSQL : Dialect::Engine::SQLite,
                                        QStringLiteral("nimbo_iterbench"),
                                        [engine](QSqlDatabase &db) { return addDeliveries(db, engine); });
    if (!target) {
        state.SkipWithError("database not available");
        return;
    }
    const long ops = envNumber("NIMBO_BENCH_OPS", 300);
    static size_t next[2] = {0, 0}; // deliveries already taken by earlier runs
    for (auto _ : state) {
        const std::vector<Delivery> &all = deliveries(engine);
        if (next[engine] + size_t((ops + 1) * clients) > all.size()) {
            state.SkipWithError("not enough pending deliveries");
            return;
        }
        const size_t base = next[engine];
        next[engine] += size_t((ops + 1) * clients);
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
                    // The first request of a client opens its connection: it
                    // is not counted (a workstation keeps its connection).
                    for (long i = -1; i < ops; ++i) {
                        const Delivery &d = all[base + size_t((i + 1) * clients + c)];
                        nimbo::iter::InChargeRequest r;
                        r.ente = kEnte;
                        r.department = QStringLiteral("D01");
                        r.office = QStringLiteral("U02");
                        r.operatorCode = QStringLiteral("OP02");
                        r.notes = QStringLiteral("misura");
                        r.items.append({d.direction, d.number, d.id});
                        QVariantList req = nimbo::iter::takeInChargeRequest(r);
                        const auto s = std::chrono::steady_clock::now();
                        const QVariantList reply = server.Elabora(nimbo::kOpPresaInCarico, req);
                        if (i >= 0)
                            mine.push_back(
                                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - s).count());
                        if (reply.value(0).toString() != QLatin1String("0") && failed++ == 0)
                            std::fprintf(stderr, "taking in charge failed: %s\n", qPrintable(reply.value(1).toString()));
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
        state.counters["ops_per_s"] = double(latencies.size()) / seconds;
    }
}

BENCHMARK(BM_TakeInCharge)
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
