// The workflow summary ("Ricerca in iter documento") on a large register,
// on SQLite and PostgreSQL: the list at its first limit (50 protocols) with
// no criterion, a sending office, a receiving office, a subject and a
// period, for a level-6, 7, 8 and 9 operator, through the statement the
// window runs.
//
// The register: NIMBO_BENCH_ROWS protocols over the last thousand days; 20
// departments of 5 offices, each office with two operators and five
// members; three movements a protocol (an assignment and two
// transmissions), each made by an operator of the acting office and sent
// to one office, to one of its members one time in three.
//
//   NIMBO_BENCH_ROWS  protocols (default 1000000)
//   NIMBO_BENCH_OPS   runs of each case (default 20)
//   NIMBO_TEST_PG     PostgreSQL server for the second engine (skipped when unset)
//   NIMBO_BENCH_SQL   set: print each case's statement and plan
//   NIMBO_BENCH_KEEP  a tag: the filled registers are kept and used again
//
// After Google Benchmark's own lines it prints one table: shape x level x
// engine, p50 and p99 in milliseconds, wall clock and processor time.

#include <QCoreApplication>
#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchRegister.h"
#include "data/C_GestDB.h"
#include "deadlines/SummaryRules.h"
#include "support/TestDb.h"

using namespace nimbo;
using Dialect::Engine;
namespace S = nimbo::deadlines::summary;

namespace {

const QString kBody = QStringLiteral("SUM");
constexpr int kOffices = 100, kMembers = 5;

using bench::cpuMs;
using bench::envNumber;
using bench::printPlan;
using bench::run;

const char *const kWords[] = {"Richiesta", "rimborso",   "spese",     "trasmissione", "documentazione", "pratica",
                              "convenzione", "fornitura", "servizio", "manutenzione", "certificato",   "ricorso",
                              "nomina",    "concorso",    "fattura",  "ordine",       "farmaci",       "delibera",
                              "ferie",     "personale"};
constexpr int kWordCount = int(sizeof(kWords) / sizeof(kWords[0]));

// The viewer: operator OP10 of office U110 (department D12), linked to its member 1.
const QString kOperator = QStringLiteral("OP10"), kOffice = QStringLiteral("U110"), kDepartment = QStringLiteral("D12");

bool fill(QSqlDatabase &db, long rows)
{
    const bool pg = Dialect::engineOf(db) == Engine::PostgreSQL;
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("BEGIN"))
        || !run(q, QStringLiteral("INSERT INTO Tab_Protocollo_Ammissioni (Amm_Ente, Amm_Motivo) VALUES ('%1', "
                                  "'registro di prova')")
                          .arg(kBody)))
        return false;
    QStringList sql;
    for (int d = 0; d < kOffices / 5; ++d)
        sql << QStringLiteral("INSERT INTO Tab_Dipartimenti (Dipa_CodiceEnte, Dipa_CodDipartimento, Dipa_Denominazione) "
                              "VALUES ('%1', 'D%2', 'Dipartimento %2')")
                   .arg(kBody)
                   .arg(10 + d);
    for (int o = 0; o < kOffices; ++o) {
        sql << QStringLiteral("INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione) VALUES "
                              "('%1', 'D%2', 'U%3', 'Ufficio %3')")
                   .arg(kBody)
                   .arg(10 + o / 5)
                   .arg(100 + o);
        for (int m = 1; m <= kMembers; ++m)
            sql << QStringLiteral("INSERT INTO Tab_UfficiComponenti (Tab_Progressivo, Tab_Ente, Tab_Dipartimento, "
                                  "Tab_Ufficio, Tab_Componente, Tab_IdUser, Tab_FlagAssegnazione) VALUES (%1, '%2', "
                                  "'D%3', 'U%4', 'Componente %1', %5, 'SI')")
                       .arg(m)
                       .arg(kBody)
                       .arg(10 + o / 5)
                       .arg(100 + o)
                       .arg(m == 1 ? QStringLiteral("'OP%1'").arg(o) : QStringLiteral("NULL"));
    }
    sql << QStringLiteral("CREATE TABLE bench_words (i INTEGER PRIMARY KEY, w TEXT)");
    for (int i = 0; i < kWordCount; ++i)
        sql << QStringLiteral("INSERT INTO bench_words (i, w) VALUES (%1, '%2')").arg(i).arg(QString::fromUtf8(kWords[i]));
    for (const QString &s : sql)
        if (!run(q, s))
            return false;

    const QString series = pg ? QStringLiteral("generate_series(1, %1) AS s(g)").arg(rows) : QStringLiteral("s");
    const QString with = pg ? QString()
                            : QStringLiteral("WITH RECURSIVE s(g) AS (SELECT 1 UNION ALL SELECT g + 1 FROM s WHERE g < %1) ")
                                  .arg(rows);
    const QString day = pg ? QStringLiteral("(CURRENT_DATE - ((%1 - g) * 1000 / %1)::int)").arg(rows)
                           : QStringLiteral("date('now', 'localtime', '-' || ((%1 - g) * 1000 / %1) || ' days')").arg(rows);
    const QString year = pg ? QStringLiteral("to_char(%1, 'YYYY')").arg(day) : QStringLiteral("substr(%1, 1, 4)").arg(day);
    const auto pad = [pg](const QString &e) {
        return pg ? QStringLiteral("lpad((%1)::text, 7, '0')").arg(e) : QStringLiteral("substr('0000000' || (%1), -7)").arg(e);
    };
    const QString gg = pg ? QStringLiteral("g::bigint") : QStringLiteral("g");
    const auto word = [&](long factor) {
        return QStringLiteral("(SELECT w FROM bench_words WHERE i = (%1 * %2) % 1000003 % %3)")
            .arg(gg)
            .arg(factor)
            .arg(kWordCount);
    };
    const QString protocols =
        QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataProtocollo, Tab_OraProtocollo, Tab_DataRegistrazione, Tab_Oggetto, Tab_Tipologia, "
                       "Tab_Intestatario, Tab_SedeRicezione, Tab_UfficioRegistrazione, Tab_CodiceOpeReg, "
                       "Tab_StatoProtocollo, Tab_Stampato, Tab_SoggPrivacy) ")
        + with
        + QStringLiteral("SELECT '%1', CASE WHEN g % 2 = 1 THEN 'E' ELSE 'U' END, %2 || %3, %4, '10:00:00', %4, "
                         "%5 || ' ' || %6, 'LET', 0, 'D10', 'U100', 'OP0', 'A', 'N', CASE WHEN g % 50 = 0 THEN 'S' "
                         "ELSE 'N' END FROM ")
              .arg(kBody, year, pad(QStringLiteral("g")), day, word(7919), word(104729))
        + series;
    // Movement k of protocol g: acting office a, its operator a or a + 100,
    // sent to office b, to member 1-5 one time in three.
    const QString g = pg ? QStringLiteral("CAST(substr(p.Tab_NumeroProtocollo, 5) AS BIGINT)")
                         : QStringLiteral("CAST(substr(p.Tab_NumeroProtocollo, 5) AS INTEGER)");
    const QString moves = QStringLiteral("(SELECT 0 AS k UNION ALL SELECT 1 UNION ALL SELECT 2) m");
    const QString serial = pg ? QStringLiteral("to_char(p.Tab_DataProtocollo, 'YYYYMMDD') || '09000' || m.k")
                              : QStringLiteral("strftime('%Y%m%d', p.Tab_DataProtocollo) || '09000' || m.k");
    const QString acting = QStringLiteral("((%1 * 7727 + m.k * 999983) % 1000003 % %2)").arg(g).arg(kOffices);
    const QString reached = QStringLiteral("((%1 * 15485863 + m.k * 32452843) % 1000003 % %2)").arg(g).arg(kOffices);
    const QString text = QStringLiteral("TEXT");
    const QString movements =
        QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico) SELECT "
                       "p.Tab_Ente, p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, %1, CASE WHEN m.k = 0 THEN 4 ELSE 2 END, "
                       "'U' || CAST(100 + %2 AS %5), 'OP' || CAST(%2 + 100 * (%3 % 2) AS %5), 'N' FROM Tab_Protocollo p "
                       "CROSS JOIN %4 WHERE p.Tab_Ente = '%6'")
            .arg(serial, acting, g, moves, text, kBody);
    const QString recipients =
        QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione) SELECT "
                       "p.Tab_Ente, p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, %1, 'U' || CAST(100 + %2 AS %4), "
                       "CASE WHEN (%3 + m.k) % 3 = 0 THEN 1 + (%3 / 3) % %5 ELSE 0 END, 1 FROM Tab_Protocollo p "
                       "CROSS JOIN %6 WHERE p.Tab_Ente = '%7'")
            .arg(serial, reached, g, text)
            .arg(kMembers)
            .arg(moves, kBody);
    return run(q, protocols) && run(q, movements) && run(q, recipients) && run(q, QStringLiteral("DROP TABLE bench_words"))
           && run(q, QStringLiteral("DELETE FROM Tab_Protocollo_Ammissioni WHERE Amm_Ente = '%1'").arg(kBody))
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
    if (it != made.end())
        return it->second;
    made.clear(); // a TestDb points the session at itself
    Register r;
    const long rows = envNumber("NIMBO_BENCH_ROWS", 1000000);
    const QString tag = qEnvironmentVariable("NIMBO_BENCH_KEEP");
    const QString keep = tag.isEmpty() ? QString() : QStringLiteral("nimbo_sumbench_%1_%2").arg(tag).arg(rows);
    if (!keep.isEmpty())
        qputenv("NIMBO_TESTDB_KEEP", keep.toUtf8());
    const auto t0 = std::chrono::steady_clock::now();
    r.db = std::make_unique<test::TestDb>(engine, test::Seed::Empty);
    bool filled = false;
    if (r.db->ok() && !keep.isEmpty()) {
        QSqlQuery count(r.db->central());
        filled = count.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")) && count.next()
                 && count.value(0).toLongLong() >= rows;
    }
    if (r.db->ok() && filled) {
        QSqlQuery analyse(r.db->central());
        r.ok = run(analyse, QStringLiteral("ANALYZE"));
    } else if (r.db->ok()) {
        QSqlDatabase db = r.db->central();
        r.ok = fill(db, rows);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(r.db->error()));
    }
    std::fprintf(stderr, "%s: register of %ld protocols ready in %.1f s\n",
                 engine == Engine::PostgreSQL ? "PostgreSQL" : "SQLite", rows,
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    return made.emplace(engine, std::move(r)).first->second;
}

protocol::Viewer viewer(int level)
{
    protocol::Viewer v;
    v.ente = kBody;
    v.level = level;
    v.department = kDepartment;
    v.office = kOffice;
    v.operatorCode = kOperator;
    return v;
}

struct Shape {
    const char *name;
    std::function<void(S::Criteria &)> set;
};

const std::vector<Shape> &shapes()
{
    static const std::vector<Shape> s = {
        {"no criterion", [](S::Criteria &) {}},
        {"sending office", [](S::Criteria &c) {
             c.fromDepartment = kDepartment;
             c.fromOffice = kOffice;
         }},
        {"receiving office", [](S::Criteria &c) {
             c.toDepartment = kDepartment;
             c.toOffice = kOffice;
         }},
        {"subject \"rimborso\"", [](S::Criteria &c) { c.subject = QStringLiteral("rimborso"); }},
        {"period of 30 days", [](S::Criteria &c) {
             c.from = QDate::currentDate().addDays(-400);
             c.to = QDate::currentDate().addDays(-370);
         }},
    };
    return s;
}

struct Line {
    double p50 = -1, p99 = -1, cpu50 = -1, cpu99 = -1;
    long rows = 0;
};

std::map<int, std::map<int, std::map<Engine, Line>>> &lines()
{
    static std::map<int, std::map<int, std::map<Engine, Line>>> t;
    return t;
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[size_t(p * double(v.size() - 1))];
}

// range(0): engine; range(1): level; range(2): shape.
void BM_Summary(benchmark::State &state)
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
    const int level = int(state.range(1)), shape = int(state.range(2));
    S::Criteria c;
    shapes()[size_t(shape)].set(c);
    const protocol::Viewer v = viewer(level);
    QSqlQuery q(r.db->central());
    long backend = 0;
    if (engine == Engine::PostgreSQL && q.exec(QStringLiteral("SELECT pg_backend_pid()")) && q.next())
        backend = q.value(0).toLongLong();
    if (qEnvironmentVariableIsSet("NIMBO_BENCH_SQL")) {
        std::fprintf(stderr, "== %s, level %d\n", shapes()[size_t(shape)].name, level);
        printPlan(r.db->central(), S::listQuery(c, v, 1), engine == Engine::PostgreSQL);
    }
    const long ops = envNumber("NIMBO_BENCH_OPS", 20);
    std::vector<double> ms, cpu;
    Line line;
    for (auto _ : state) {
        for (long i = 0; i < ops; ++i) {
            const double c0 = cpuMs(backend);
            const auto t0 = std::chrono::steady_clock::now();
            // As the window does: the level-6 viewer's member first, then the list.
            std::optional<int> member;
            if (level == 6) {
                if (!q.exec(S::memberQuery(v))) {
                    state.SkipWithError(qPrintable(q.lastError().text()));
                    return;
                }
                if (q.next())
                    member = q.value(0).toInt();
            }
            if (!q.exec(S::listQuery(c, v, member))) {
                state.SkipWithError(qPrintable(q.lastError().text()));
                return;
            }
            long rows = 0;
            while (q.next())
                ++rows;
            line.rows = rows;
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
            cpu.push_back(cpuMs(backend) - c0);
        }
        state.SetIterationTime(0.001 * ms.back());
    }
    line.p50 = percentile(ms, 0.5);
    line.p99 = percentile(ms, 0.99);
    line.cpu50 = percentile(cpu, 0.5);
    line.cpu99 = percentile(cpu, 0.99);
    lines()[shape][level][engine] = line;
    state.counters["p50_ms"] = line.p50;
    state.counters["p99_ms"] = line.p99;
    state.counters["rows"] = double(line.rows);
}

void printTable()
{
    std::printf("\nWorkflow summary, 50 protocols at most; ms: wall clock p50 / p99 [processor time p50 / p99] (rows)\n");
    std::printf("%-20s %-5s | %-34s | %-34s\n", "shape", "level", "SQLite", "PostgreSQL");
    std::printf("%s\n", std::string(20 + 1 + 5 + 3 + 34 + 3 + 34, '-').c_str());
    for (const auto &[shape, byLevel] : lines())
        for (const auto &[level, byEngine] : byLevel) {
            std::printf("%-20s %-5d", shapes()[size_t(shape)].name, level);
            for (const Engine e : {Engine::SQLite, Engine::PostgreSQL}) {
                const auto it = byEngine.find(e);
                if (it == byEngine.end()) {
                    std::printf(" | %-34s", "not run");
                    continue;
                }
                const Line &x = it->second;
                std::printf(" | %5.0f/%5.0f [%5.0f/%5.0f] (%3ld)", x.p50, x.p99, x.cpu50, x.cpu99, x.rows);
            }
            std::printf("\n");
        }
}

void arguments(benchmark::internal::Benchmark *b, int engine)
{
    for (int shape = 0; shape < int(shapes().size()); ++shape)
        for (const int level : {6, 7, 8, 9})
            b->Args({engine, level, shape});
}

// One engine after the other: each register is filled once.
BENCHMARK(BM_Summary)
    ->ArgNames({"pg", "level", "shape"})
    ->Apply([](benchmark::internal::Benchmark *b) { arguments(b, 0); })
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Summary)
    ->ArgNames({"pg", "level", "shape"})
    ->Apply([](benchmark::internal::Benchmark *b) { arguments(b, 1); })
    ->Iterations(1)
    ->UseManualTime()
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
