// The deadline statement ("Scadenzario Pratiche") on a large register, on
// SQLite and PostgreSQL: matters due within thirty days and matters overdue,
// with no filter and with a subject filter, for a level-6, a level-7 and a
// level-9 operator, at the list's limit of 1000 rows (read with the one row
// past it that tells a cut list), through the one statement the window runs.
//
// The register: NIMBO_BENCH_ROWS protocols, 100 offices in 20 departments,
// 200 operators, three movements per protocol (three million at the default
// size); three protocols in ten assigned for competence to one office with
// a deadline spread over a year before and a year after today; one of those
// in eighteen handled (a type-5 movement), one in twenty-four postponed by a
// month; subjects carry one of twenty words evenly.
//
//   NIMBO_BENCH_ROWS  protocols (default 1000000)
//   NIMBO_BENCH_OPS   runs of each case (default 20)
//   NIMBO_TEST_PG     PostgreSQL server for the second engine (skipped when unset)
//   NIMBO_BENCH_SQL   set: print each case's statement and plan
//   NIMBO_BENCH_KEEP  a tag: the filled registers are kept and used again
//
// Quick run: NIMBO_BENCH_ROWS=50000 bench_DeadlineBench
//
// After Google Benchmark's own lines it prints one table: shape x level x
// engine, p50/p99 of the wall clock and of the processor time (this thread
// and, on PostgreSQL, the server process), in milliseconds.

#include <QCoreApplication>
#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/C_GestDB.h"
#include "deadlines/DeadlineSearch.h"
#include "schema/DeadlineKeeper.h"
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

const char *const kWords[] = {"RIMBORSO", "ESPOSTO", "RICORSO", "CONVENZIONE", "AUTORIZZAZIONE", "CONTRIBUTO",
                              "FORNITURA", "INCARICO", "RECLAMO", "ISTANZA", "PARERE", "VERIFICA", "NOMINA",
                              "CERTIFICATO", "DELIBERA", "GARA", "PROROGA", "SEGNALAZIONE", "RICHIESTA", "AVVISO"};

// The kept deadlines as the upgrade makes them: triggers and the filling.
bool keep(QSqlDatabase &db)
{
    const auto t0 = std::chrono::steady_clock::now();
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("BEGIN")))
        return false;
    for (const QString &sql : Schema::DeadlineKeeper::statements(Schema::Kind::Central, Dialect::engineOf(db)))
        if (!run(q, sql))
            return false;
    if (!run(q, QStringLiteral("COMMIT")))
        return false;
    std::fprintf(stderr, "kept deadlines filled in %.1f s\n",
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    const bool pg = Dialect::engineOf(db) == Engine::PostgreSQL;
    return run(q, pg ? QStringLiteral("VACUUM ANALYZE") : QStringLiteral("ANALYZE"));
}

bool fill(QSqlDatabase &db, long rows)
{
    const bool pg = Dialect::engineOf(db) == Engine::PostgreSQL;
    const int year = QDate::currentDate().year();
    const auto series = [](long n) {
        return QStringLiteral("WITH RECURSIVE s(g) AS (SELECT 1 UNION ALL SELECT g + 1 FROM s WHERE g < %1) ").arg(n);
    };
    const QString number = pg ? QStringLiteral("'%1' || lpad(g::text, 7, '0')").arg(year)
                              : QStringLiteral("'%1' || substr('0000000' || g, -7)").arg(year);
    const QString day = pg ? QStringLiteral("to_char(CURRENT_DATE - (g % 300), 'YYYYMMDD')")
                           : QStringLiteral("strftime('%Y%m%d', 'now', 'localtime', '-' || (g % 300) || ' days')");
    const auto deadline = [pg](const QString &offset) {
        return pg ? QStringLiteral("CURRENT_DATE + (%1)").arg(offset)
                  : QStringLiteral("date('now', 'localtime', (%1) || ' days')").arg(offset);
    };
    const QString spread = QStringLiteral("((g % 100003) * 7919 % 731 - 365)");
    QStringList word;
    for (int i = 0; i < 20; ++i)
        word << QStringLiteral("WHEN %1 THEN '%2'").arg(i).arg(QLatin1String(kWords[i]));
    const QString subject = QStringLiteral("CASE g % 20 %1 END || ' PRATICA N. ' || g").arg(word.join(QLatin1Char(' ')));
    // Three in ten assigned for competence (g % 10 in 1..3).
    const QString assigned = QStringLiteral(" FROM s WHERE g % 10 BETWEEN 1 AND 3");
    const QString office = QStringLiteral("'U' || (100 + g % 100)");
    QSqlQuery q(db);
    // The kept deadlines are filled at the end the way an upgrade fills
    // them, not row by row while three million movements go in.
    QStringList quiet;
    if (pg) {
        quiet << QStringLiteral("SET session_replication_role = replica");
    } else {
        if (!run(q, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'trigger' AND name LIKE '%\\_scadenze\\_%' "
                                   "ESCAPE '\\'")))
            return false;
        while (q.next())
            quiet << QStringLiteral("DROP TRIGGER ") + q.value(0).toString();
    }
    for (const QString &sql : quiet)
        if (!run(q, sql))
            return false;
    return run(q, QStringLiteral("BEGIN"))
           && run(q, series(100) + QStringLiteral("INSERT INTO Tab_Dipartimenti (Dipa_CodDipartimento, Dipa_CodiceEnte, "
                                                 "Dipa_Denominazione) SELECT 'D' || (10 + (g - 1) / 5), '%1', "
                                                 "'DIPARTIMENTO ' || (10 + (g - 1) / 5) FROM s WHERE g % 5 = 1")
                                      .arg(kBody))
           && run(q, series(100) + QStringLiteral("INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, "
                                                 "Tab_Descrizione) SELECT '%1', 'D' || (10 + (g - 1) / 5), 'U' || (99 + g), "
                                                 "'UFFICIO ' || (99 + g) FROM s")
                                      .arg(kBody))
           && run(q, series(2000) + QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, "
                                                  "Tab_Denominazione, Tab_Domicilio, Tab_NumeroCivico) SELECT g, '%1', "
                                                  "'CORRISPONDENTE ' || g, 'VIA ROMA', g FROM s")
                                       .arg(kBody))
           && run(q, QStringLiteral("INSERT INTO Tab_Protocollo_Ammissioni (Amm_Ente, Amm_Motivo) VALUES ('%1', "
                                    "'registro di prova')").arg(kBody))
           && run(q, series(rows)
                         + QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                                          "Tab_DataProtocollo, Tab_Oggetto, Tab_Tipologia, Tab_Intestatario, "
                                          "Tab_SedeRicezione, Tab_UfficioRegistrazione, Tab_CodiceOpeReg, "
                                          "Tab_StatoProtocollo, Tab_Stampato, Tab_SoggPrivacy) "
                                          "SELECT '%1', CASE WHEN g % 2 = 1 THEN 'E' ELSE 'U' END, %2, CURRENT_DATE, %3, "
                                          "'LET', 1 + g % 2000, 'D10', 'U100', 'OP1', 'A', 'N', "
                                          "CASE WHEN g % 50 = 0 THEN 'S' ELSE 'N' END FROM s")
                               .arg(kBody, number, subject))
           && run(q, QStringLiteral("DELETE FROM Tab_Protocollo_Ammissioni WHERE Amm_Ente = '%1'").arg(kBody))
           // The recipients first, so that each assignment finds its office
           // when its movement is written.
           && run(q, series(rows)
                         + QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, "
                                          "Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, "
                                          "Tab_TipoAssegnazione) SELECT '%1', CASE WHEN g % 2 = 1 THEN 'E' ELSE 'U' END, "
                                          "%2, %3 || '100000', %4, 0, 1")
                               .arg(kBody, number, day, office)
                         + assigned)
           // Three movements a protocol: a registration copy, the assignment
           // (or a transmission) and a taking in charge (or the completion).
           && run(q, series(rows)
                         + QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, "
                                          "Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, "
                                          "Tab_CodiceOpe, Tab_InCarico, Tab_DataEvasione) "
                                          "SELECT '%1', CASE WHEN g % 2 = 1 THEN 'E' ELSE 'U' END, %2, %3 || '090000', 1, "
                                          "'U100', 'OP1', 'N', NULL FROM s "
                                          "UNION ALL SELECT '%1', CASE WHEN g % 2 = 1 THEN 'E' ELSE 'U' END, %2, "
                                          "%3 || '100000', CASE WHEN g % 10 BETWEEN 1 AND 3 THEN 4 ELSE 2 END, 'U100', "
                                          "'OP' || (g % 200), 'N', CASE WHEN g % 10 BETWEEN 1 AND 3 THEN %4 END FROM s "
                                          "UNION ALL SELECT '%1', CASE WHEN g % 2 = 1 THEN 'E' ELSE 'U' END, %2, "
                                          "%3 || '110000', CASE WHEN g % 60 = 1 THEN 5 ELSE 3 END, %5, 'OP' || (g % 200), "
                                          "'S', NULL FROM s")
                               .arg(kBody, number, day, deadline(spread), office))
           && run(q, series(rows)
                         + QStringLiteral("INSERT INTO Tab_ProScadenza (Tab_Ente, Tab_Protocollo, Tab_DataScadenza, "
                                          "Tab_FunzionarioAutorizzante, Tab_Note_Scadenza, Tab_flagRinvio, Tab_Operatore) "
                                          "SELECT '%1', %2, %3, 'DIRETTORE', 'PROROGA', 1, 'OP9' FROM s "
                                          "WHERE g % 80 = 2")
                               .arg(kBody, number, deadline(spread + QStringLiteral(" + 30"))))
           && run(q, series(rows)
                         + QStringLiteral("INSERT INTO Tab_ProSolleciti (Tab_Ente, Tab_Protocollo, Tab_DataSollecito, "
                                          "Tab_UfficioCompetente, Tab_PersonaContattata, Tab_Risposta) "
                                          "SELECT '%1', %2, CURRENT_DATE, %3, 'REFERENTE', 'IN CORSO' FROM s "
                                          "WHERE g % 100 = 3")
                               .arg(kBody, number, office))
           && run(q, QStringLiteral("COMMIT")) && (!pg || run(q, QStringLiteral("SET session_replication_role = origin")))
           && run(q, QStringLiteral("ANALYZE")) && keep(db);
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
    const QString keep = tag.isEmpty() ? QString() : QStringLiteral("nimbo_dlbench_%1_%2").arg(tag).arg(rows);
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
    if (r.ok) {
        QSqlQuery count(r.db->central());
        if (count.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_ScadenzeInCorso")) && count.next())
            std::fprintf(stderr, "%s: %ld protocols, %lld open deadlines, ready in %.1f s\n",
                         engine == Engine::PostgreSQL ? "PostgreSQL" : "SQLite", rows, count.value(0).toLongLong(),
                         std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return made.emplace(engine, std::move(r)).first->second;
}

protocol::Viewer viewer(int level)
{
    protocol::Viewer v;
    v.ente = kBody;
    v.level = level;
    v.department = QStringLiteral("D12");
    // An office and an operator that hold matters (the generator's spread).
    v.office = QStringLiteral("U111");
    v.operatorCode = QStringLiteral("OP11");
    return v;
}

struct Shape {
    const char *name;
    deadlines::DeadlineCriteria criteria;
};

const std::vector<Shape> &shapes()
{
    static const std::vector<Shape> s = [] {
        deadlines::DeadlineCriteria due;
        due.kind = deadlines::DeadlineCriteria::Kind::DueWithin;
        due.days = 30;
        due.limit = 1000;
        deadlines::DeadlineCriteria overdue = due;
        overdue.kind = deadlines::DeadlineCriteria::Kind::Overdue;
        deadlines::DeadlineCriteria dueWord = due, overdueWord = overdue;
        dueWord.subject = overdueWord.subject = QStringLiteral("esposto");
        return std::vector<Shape>{{"due in 30 days", due},
                                  {"overdue", overdue},
                                  {"due, subject word", dueWord},
                                  {"overdue, subject word", overdueWord}};
    }();
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

// Processor time in ms: this thread's, plus (PostgreSQL) the server process
// serving the connection. The machine's other work stretches the wall
// clock; this time does not depend on it.
double cpuMs(long backend)
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

void BM_Deadlines(benchmark::State &state)
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
    const protocol::Viewer v = viewer(level);
    const QString sql = deadlines::deadlineListQuery(shapes()[size_t(shape)].criteria, v);
    const bool pg = engine == Engine::PostgreSQL;
    if (qEnvironmentVariableIsSet("NIMBO_BENCH_SQL")) {
        std::fprintf(stderr, "== %s, level %d\n%s\n", shapes()[size_t(shape)].name, level, qPrintable(sql));
        QSqlQuery plan(r.db->central());
        if (plan.exec((pg ? QStringLiteral("EXPLAIN ANALYZE ") : QStringLiteral("EXPLAIN QUERY PLAN ")) + sql))
            while (plan.next())
                std::fprintf(stderr, "  %s\n", qPrintable(plan.value(pg ? 0 : 3).toString()));
    }
    const long ops = envNumber("NIMBO_BENCH_OPS", 20);
    std::vector<double> ms, cpu;
    Line line;
    QSqlQuery q(r.db->central());
    long backend = 0;
    if (pg && q.exec(QStringLiteral("SELECT pg_backend_pid()")) && q.next())
        backend = q.value(0).toLongLong();
    for (auto _ : state) {
        for (long i = 0; i < ops; ++i) {
            const double c0 = cpuMs(backend);
            const auto t0 = std::chrono::steady_clock::now();
            long rows = 0;
            if (!q.exec(sql)) {
                state.SkipWithError(qPrintable(q.lastError().text()));
                return;
            }
            while (q.next())
                ++rows;
            line.rows = rows;
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
            cpu.push_back(cpuMs(backend) - c0);
        }
        state.SetIterationTime(0.001 * ms.back());
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    const auto at = [](const std::vector<double> &x, double p) { return x[size_t(p * double(x.size() - 1))]; };
    line.p50 = at(ms, 0.5);
    line.p99 = at(ms, 0.99);
    line.cpu50 = at(cpu, 0.5);
    line.cpu99 = at(cpu, 0.99);
    lines()[shape][level][engine] = line;
    state.counters["p99_ms"] = line.p99;
    state.counters["rows"] = double(line.rows);
}

void printTable()
{
    std::printf("\n%-22s %-5s | %-38s | %-38s\n", "shape", "level", "SQLite p50/p99 wall [cpu] (rows)",
                "PostgreSQL p50/p99 wall [cpu] (rows)");
    for (auto &[shape, byLevel] : lines())
        for (auto &[level, byEngine] : byLevel) {
            std::printf("%-22s %-5d", shapes()[size_t(shape)].name, level);
            for (Engine e : {Engine::SQLite, Engine::PostgreSQL}) {
                const auto it = byEngine.find(e);
                if (it == byEngine.end())
                    std::printf(" | %-38s", "-");
                else
                    std::printf(" | %6.1f/%6.1f [%6.1f/%6.1f] (%4ld)", it->second.p50, it->second.p99,
                                it->second.cpu50, it->second.cpu99, it->second.rows);
            }
            std::printf("\n");
        }
}

BENCHMARK(BM_Deadlines)->ArgNames({"pg", "level", "shape"})->ArgsProduct({{0}, {6, 7, 9}, {0, 1, 2, 3}})
    ->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Deadlines)->ArgNames({"pg", "level", "shape"})->ArgsProduct({{1}, {6, 7, 9}, {0, 1, 2, 3}})
    ->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

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
