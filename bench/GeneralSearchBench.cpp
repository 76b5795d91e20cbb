// The general search ("Ricerca Protocolli") on a large register, on SQLite
// and PostgreSQL: the list at the window's first limit (50 rows, read with
// the one row past it that tells the clerk the limit cut the list) for
// every criterion alone and the common pairs, for a level-6, a level-8 and
// a level-9 operator, through the one statement the window runs.
//
// The register: NIMBO_BENCH_ROWS protocols over the last thousand days, 20
// departments of 5 offices each, registered by 200 operators; three iter
// movements per protocol, each routed to one office; one further recipient
// for every other protocol (half a million at the default size); one
// protocol in a hundred recovered from an emergency register; an address
// book of 20,000 names. Subject words, names, types and offices are spread
// evenly over the years.
//
//   NIMBO_BENCH_ROWS  protocols (default 1000000)
//   NIMBO_BENCH_OPS   runs of each case (default 20)
//   NIMBO_TEST_PG     PostgreSQL server for the second engine (skipped when unset)
//   NIMBO_BENCH_SQL   set: print each case's statements and plans
//   NIMBO_BENCH_KEEP  a tag: the filled registers are kept (as the registration
//                     window's benchmark does) and used again by the next run
//
// Quick run: NIMBO_BENCH_ROWS=50000 bench_GeneralSearchBench
//
// After Google Benchmark's own lines it prints one table: shape x level x
// engine, p50 and p99 in milliseconds of the list statement, read whole.

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
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchRegister.h"
#include "data/C_GestDB.h"
#include "search/GeneralSearch.h"
#include "support/TestDb.h"

using namespace nimbo;
using Dialect::Engine;

namespace {

const QString kBody = QStringLiteral("BEN");

using bench::envNumber;
using bench::run;

const char *const kWords[] = {
    "Richiesta", "rimborso", "spese", "sanitarie", "trasmissione", "documentazione", "relativa", "pratica",
    "autorizzazione", "convenzione", "fornitura", "servizio", "manutenzione", "impianti", "certificato",
    "comunicazione", "variazione", "residenza", "esenzione", "ricorso", "nomina", "commissione", "concorso",
    "graduatoria", "liquidazione", "fattura", "ordine", "acquisto", "materiale", "farmaci", "delibera", "ferie",
    "personale", "turni", "reparto", "visita", "esami", "referto", "ricovero", "sollecito"};
constexpr int kWordCount = int(sizeof(kWords) / sizeof(kWords[0]));
const char *const kKinds[] = {"COMUNE DI", "Studio Legale", "AZIENDA", "Sig.", "Sig.ra", "Ditta", "Cooperativa",
                              "Dott."};
const char *const kSurnames[] = {"ROSSI", "Russo", "FERRARI", "Esposito", "BIANCHI", "Romano", "COLOMBO", "Ricci",
                                 "MARINO", "Greco", "BRUNO", "Gallo", "CONTI", "De Luca", "MANCINI", "Costa",
                                 "GIORDANO", "Rizzo", "LOMBARDI", "Moretti", "BARBIERI", "Fontana", "SANTORO",
                                 "Mariani", "RINALDI", "Caruso", "FERRARA", "Galli", "MARTINI", "Leone", "LONGO",
                                 "Gentile", "MARTINELLI", "Vitale", "LOMBARDO", "Serra", "COPPOLA", "De Santis",
                                 "D'ANGELO", "Marchetti"};
const char *const kNames[] = {"Mario", "GIUSEPPE", "Anna", "LUCIA", "Francesco", "ANTONIO", "Maria", "PAOLA",
                              "Vincenzo", "TERESA", "Pasquale", "CARMELA", "Rocco", "ANGELA", "Donato"};
constexpr int kNameFirst = 1000, kNameCount = 20000, kOffices = 100, kOperators = 200;

// Office o (0-99) is U<100+o> of department D<10+o/5>.
QString officeCode(const QString &o) { return QStringLiteral("'U' || CAST(100 + (%1) AS TEXT)").arg(o); }
QString departmentCode(const QString &o) { return QStringLiteral("'D' || CAST(10 + (%1) / 5 AS TEXT)").arg(o); }

bool fill(QSqlDatabase &db, long rows)
{
    const bool pg = Dialect::engineOf(db) == Engine::PostgreSQL;
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("BEGIN"))
        || !run(q, QStringLiteral("INSERT INTO Tab_Protocollo_Ammissioni (Amm_Ente, Amm_Motivo) VALUES ('%1', "
                                  "'registro di prova')")
                          .arg(kBody)))
        return false;
    const auto prepared = [&](const QString &sql, const std::function<void(QSqlQuery &, int)> &bind, int from, int to) {
        QSqlQuery ins(db);
        if (!ins.prepare(sql))
            return false;
        for (int i = from; i < to; ++i) {
            bind(ins, i);
            if (!ins.exec()) {
                std::fprintf(stderr, "%s\n", qPrintable(ins.lastError().text()));
                return false;
            }
        }
        return true;
    };
    const bool organisation =
        prepared(QStringLiteral("INSERT INTO Tab_Dipartimenti (Dipa_CodiceEnte, Dipa_CodDipartimento, Dipa_Denominazione) "
                                "VALUES (?, ?, ?)"),
                 [](QSqlQuery &ins, int d) {
                     ins.addBindValue(kBody);
                     ins.addBindValue(QStringLiteral("D%1").arg(10 + d));
                     ins.addBindValue(QStringLiteral("Dipartimento %1").arg(d));
                 },
                 0, kOffices / 5)
        && prepared(QStringLiteral("INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione) "
                                   "VALUES (?, ?, ?, ?)"),
                    [](QSqlQuery &ins, int o) {
                        ins.addBindValue(kBody);
                        ins.addBindValue(QStringLiteral("D%1").arg(10 + o / 5));
                        ins.addBindValue(QStringLiteral("U%1").arg(100 + o));
                        ins.addBindValue(QStringLiteral("Ufficio %1").arg(o));
                    },
                    0, kOffices)
        && prepared(QStringLiteral("INSERT INTO Tab_TipoDocumento (Tab_Codice, Tab_Descrizione) VALUES (?, ?)"),
                    [](QSqlQuery &ins, int t) {
                        ins.addBindValue(QStringLiteral("T%1").arg(t));
                        ins.addBindValue(QStringLiteral("Tipo %1").arg(t));
                    },
                    0, 10)
        && prepared(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione) "
                                   "VALUES (?, ?, ?)"),
                    [](QSqlQuery &ins, int i) {
                        ins.addBindValue(i);
                        ins.addBindValue(kBody);
                        ins.addBindValue(QStringLiteral("%1 %2 %3")
                                             .arg(QString::fromUtf8(kKinds[i % 8]), QString::fromUtf8(kSurnames[(i * 7) % 40]),
                                                  QString::fromUtf8(kNames[(i * 11) % 15])));
                    },
                    kNameFirst, kNameFirst + kNameCount);
    if (!organisation || !run(q, QStringLiteral("CREATE TABLE bench_words (i INTEGER PRIMARY KEY, w TEXT)")))
        return false;
    if (!prepared(QStringLiteral("INSERT INTO bench_words (i, w) VALUES (?, ?)"),
                  [](QSqlQuery &ins, int i) {
                      ins.addBindValue(i);
                      ins.addBindValue(QString::fromUtf8(kWords[i]));
                  },
                  0, kWordCount))
        return false;

    // Protocol g is dated (rows - g) * 1000 / rows days ago and numbered
    // with its date's year and g, so numbers follow dates.
    const QString series = pg ? QStringLiteral("generate_series(1, %1) AS s(g)").arg(rows)
                              : QStringLiteral("s");
    const QString with = pg ? QString()
                            : QStringLiteral("WITH RECURSIVE s(g) AS (SELECT 1 UNION ALL SELECT g + 1 FROM s WHERE g < %1) ")
                                  .arg(rows);
    const QString day = pg ? QStringLiteral("(CURRENT_DATE - ((%1 - g) * 1000 / %1)::int)").arg(rows)
                           : QStringLiteral("date('now', 'localtime', '-' || ((%1 - g) * 1000 / %1) || ' days')").arg(rows);
    const QString year = pg ? QStringLiteral("to_char(%1, 'YYYY')").arg(day) : QStringLiteral("substr(%1, 1, 4)").arg(day);
    const auto pad = [pg](const QString &e) {
        return pg ? QStringLiteral("lpad((%1)::text, 7, '0')").arg(e) : QStringLiteral("substr('0000000' || (%1), -7)").arg(e);
    };
    // A value of g spread over k: multiplied modulo a prime, so that the
    // columns drawn with different factors do not follow each other.
    const QString gg = pg ? QStringLiteral("g::bigint") : QStringLiteral("g");
    const auto spread = [gg](long factor, int k) {
        return QStringLiteral("((%1 * %2) % 1000003 % %3)").arg(gg).arg(factor).arg(k);
    };
    const auto word = [&](long factor) {
        return QStringLiteral("(SELECT w FROM bench_words WHERE i = %1)").arg(spread(factor, kWordCount));
    };
    const QString subject = word(7919) + QStringLiteral(" || ' ' || ") + word(104729) + QStringLiteral(" || ' ' || ")
                            + word(611953) + QStringLiteral(" || CASE WHEN g % 9973 = 0 THEN ' sopralluogo' ELSE '' END");
    const QString registering = spread(15485863 % 1000003, kOffices);
    const QString protocols =
        QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataProtocollo, Tab_OraProtocollo, Tab_DataRegistrazione, Tab_Oggetto, Tab_Tipologia, "
                       "Tab_Intestatario, Tab_SedeRicezione, Tab_UfficioRegistrazione, Tab_CodiceOpeReg, "
                       "Tab_StatoProtocollo, Tab_Stampato, Tab_SoggPrivacy, Tab_ProtocolloTemporaneo, "
                       "Tab_RegistroTemporaneo) ")
        + with
        + QStringLiteral("SELECT '%1', CASE WHEN g % 2 = 1 THEN 'E' ELSE 'U' END, %2 || %3, %4, '10:00:00', %4, %5, "
                         "'T' || CAST(%6 AS TEXT), %7, %8, %9, 'OP' || CAST(%10 AS "
                         "TEXT), CASE WHEN g % 97 = 0 THEN 'C' ELSE 'A' END, 'N', CASE WHEN g % 50 = 0 THEN 'S' ELSE 'N' "
                         "END, CASE WHEN g % 100 = 0 THEN %11 END, CASE WHEN g % 100 = 0 THEN %2 || 'UR01' END FROM ")
              .arg(kBody, year, pad(QStringLiteral("g")), day, subject)
              .arg(spread(3571, 10), QStringLiteral("%1 + %2").arg(kNameFirst).arg(spread(2750159, kNameCount)),
                   departmentCode(registering), officeCode(registering), spread(5381, kOperators),
                   pad(QStringLiteral("g / 100")))
        + series;
    // Three movements a protocol, each routed to one office.
    const QString g = pg ? QStringLiteral("CAST(substr(p.Tab_NumeroProtocollo, 5) AS BIGINT)")
                         : QStringLiteral("CAST(substr(p.Tab_NumeroProtocollo, 5) AS INTEGER)");
    const QString moves = QStringLiteral("(SELECT 0 AS k UNION ALL SELECT 1 UNION ALL SELECT 2) m");
    const QString serial = pg ? QStringLiteral("to_char(p.Tab_DataProtocollo, 'YYYYMMDD') || '09000' || m.k")
                              : QStringLiteral("strftime('%Y%m%d', p.Tab_DataProtocollo) || '09000' || m.k");
    const QString routed = QStringLiteral("((%1 * 7727 + m.k * 999983) % 1000003 % %2)").arg(g).arg(kOffices);
    const QString movements =
        QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico) SELECT "
                       "p.Tab_Ente, p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, %1, CASE WHEN m.k = 0 THEN 4 ELSE 2 END, "
                       "p.Tab_UfficioRegistrazione, p.Tab_CodiceOpeReg, 'N' FROM Tab_Protocollo p CROSS JOIN %2 WHERE "
                       "p.Tab_Ente = '%3'")
            .arg(serial, moves, kBody);
    const QString recipients =
        QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione) SELECT "
                       "p.Tab_Ente, p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, %1, %2, 0, 1 FROM Tab_Protocollo p "
                       "CROSS JOIN %3 WHERE p.Tab_Ente = '%4'")
            .arg(serial, officeCode(routed), moves, kBody);
    const QString further =
        QStringLiteral("INSERT INTO Tab_ProtocolloDestinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_MittDest, Tab_principale) SELECT p.Tab_Ente, p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, "
                       "%1 + (%2 * 48611) % 1000003 % %3, 'N' FROM Tab_Protocollo p WHERE p.Tab_Ente = '%4' AND "
                       "%2 % 2 = 0")
            .arg(kNameFirst)
            .arg(g)
            .arg(kNameCount)
            .arg(kBody);
    return run(q, protocols) && run(q, movements) && run(q, recipients) && run(q, further)
           && run(q, QStringLiteral("DROP TABLE bench_words"))
           && run(q, QStringLiteral("DELETE FROM Tab_Protocollo_Ammissioni WHERE Amm_Ente = '%1'").arg(kBody))
           && run(q, QStringLiteral("COMMIT"))
           && run(q, pg ? QStringLiteral("VACUUM ANALYZE") : QStringLiteral("ANALYZE"));
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
    const QString keep = tag.isEmpty() ? QString() : QStringLiteral("nimbo_gsbench_%1_%2").arg(tag).arg(rows);
    if (!keep.isEmpty())
        qputenv("NIMBO_TESTDB_KEEP", keep.toUtf8());
    const auto t0 = std::chrono::steady_clock::now();
    r.db = std::make_unique<test::TestDb>(engine, test::Seed::Empty);
    const char *name = engine == Engine::PostgreSQL ? "PostgreSQL" : "SQLite";
    bool filled = false;
    if (r.db->ok() && !keep.isEmpty()) {
        QSqlQuery count(r.db->central());
        filled = count.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")) && count.next()
                 && count.value(0).toLongLong() >= rows;
    }
    if (r.db->ok() && filled) {
        r.ok = true;
        QSqlQuery analyse(r.db->central());
        r.ok = run(analyse, QStringLiteral("ANALYZE"));
    } else if (r.db->ok()) {
        QSqlDatabase db = r.db->central();
        r.ok = fill(db, rows);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(r.db->error()));
    }
    // One name of the address book is unlike any other (a rare correspondent).
    if (r.ok) {
        QSqlQuery rare(r.db->central());
        r.ok = run(rare, QStringLiteral("UPDATE Tab_Rubrica SET Tab_Denominazione = 'Studio Tecnico Dell''Acqua "
                                        "Bernardini' WHERE Tab_EnteRubrica = '%1' AND Tab_Identificativo = %2")
                             .arg(kBody)
                             .arg(kNameFirst + 12345));
    }
    std::fprintf(stderr, "%s: register of %ld protocols ready in %.1f s\n", name, rows,
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    return made.emplace(engine, std::move(r)).first->second;
}

// The department of the level-8 operator (and of the others, who see less).
const QString kDepartment = QStringLiteral("D12");

protocol::Viewer viewer(int level)
{
    protocol::Viewer v;
    v.ente = kBody;
    v.level = level;
    v.department = kDepartment;
    v.office = QStringLiteral("U110");
    v.operatorCode = QStringLiteral("OP7");
    return v;
}

// A protocol number the level-6 operator registered in the department (the
// generator's spread of g for the operator and the office).
QString ownNumber(long rows)
{
    const auto spread = [](long long g, long long factor, int k) { return int(g * factor % 1000003 % k); };
    for (long g = rows; g > 0; --g)
        if (spread(g, 5381, kOperators) == 7 && spread(g, 15485863 % 1000003, kOffices) / 5 == 2) {
            const int daysAgo = int((rows - g) * 1000 / rows);
            return QStringLiteral("%1|%2").arg(QDate::currentDate().addDays(-daysAgo).year()).arg(g);
        }
    return QStringLiteral("2000|1");
}

struct Shape {
    const char *name;
    std::function<void(search::GeneralCriteria &)> set;
};

const std::vector<Shape> &shapes()
{
    static const std::vector<Shape> s = {
        {"number alone",
         [](search::GeneralCriteria &c) {
             const QStringList n = ownNumber(envNumber("NIMBO_BENCH_ROWS", 1000000)).split(QLatin1Char('|'));
             c.year = n.value(0);
             c.number = n.value(1);
         }},
        {"emergency number alone", [](search::GeneralCriteria &c) { c.emergencyNumber = QStringLiteral("1234"); }},
        {"date >= 30 days ago", [](search::GeneralCriteria &c) { c.date = QDate::currentDate().addDays(-30); }},
        {"date <= 500 days ago",
         [](search::GeneralCriteria &c) {
             c.date = QDate::currentDate().addDays(-500);
             c.dateOperator = QStringLiteral("<=");
         }},
        {"correspondent \"rossi\"", [](search::GeneralCriteria &c) { c.correspondent = QStringLiteral("rossi"); }},
        {"correspondent, rare", [](search::GeneralCriteria &c) { c.correspondent = QStringLiteral("dell'acqua"); }},
        {"document type", [](search::GeneralCriteria &c) { c.docType = QStringLiteral("T3"); }},
        {"subject \"rimborso\"", [](search::GeneralCriteria &c) { c.subject = QStringLiteral("rimborso"); }},
        {"subject, rare word", [](search::GeneralCriteria &c) { c.subject = QStringLiteral("sopralluogo"); }},
        {"incoming only", [](search::GeneralCriteria &c) { c.outgoing = false; }},
        {"department", [](search::GeneralCriteria &c) { c.department = kDepartment; }},
        {"department + office",
         [](search::GeneralCriteria &c) {
             c.department = kDepartment;
             c.office = QStringLiteral("U111");
         }},
        {"subject + last 90 days",
         [](search::GeneralCriteria &c) {
             c.subject = QStringLiteral("rimborso");
             c.date = QDate::currentDate().addDays(-90);
         }},
        {"correspondent + type",
         [](search::GeneralCriteria &c) {
             c.correspondent = QStringLiteral("rossi");
             c.docType = QStringLiteral("T3");
         }},
        {"no criterion", [](search::GeneralCriteria &) {}},
    };
    return s;
}

struct Line {
    double p50 = -1, p99 = -1;       // wall clock
    double cpu50 = -1, cpu99 = -1;   // processor time of the statement
    long rows = 0;                   // as the statement gives them: limit + 1 when cut
};

// Processor time in ms: this thread's, plus (PostgreSQL) the server process
// serving the connection, read from its scheduler statistics. The machine's
// other work stretches the wall clock; this time does not depend on it.
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
// shape -> level -> engine
std::map<int, std::map<int, std::map<Engine, Line>>> &lines()
{
    static std::map<int, std::map<int, std::map<Engine, Line>>> t;
    return t;
}

void printPlan(QSqlDatabase db, const QString &sql, bool pg)
{
    std::fprintf(stderr, "%s\n", qPrintable(sql));
    QSqlQuery plan(db);
    if (plan.exec((pg ? QStringLiteral("EXPLAIN ANALYZE ") : QStringLiteral("EXPLAIN QUERY PLAN ")) + sql))
        while (plan.next())
            std::fprintf(stderr, "  %s\n", qPrintable(plan.value(pg ? 0 : 3).toString()));
}

// range(0): engine; range(1): level; range(2): shape.
void BM_GeneralSearch(benchmark::State &state)
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
    search::GeneralCriteria c;
    shapes()[size_t(shape)].set(c);
    const protocol::Viewer v = viewer(level);
    const QString list = search::listQuery(c, v);
    if (qEnvironmentVariableIsSet("NIMBO_BENCH_SQL")) {
        std::fprintf(stderr, "== %s, level %d\n", shapes()[size_t(shape)].name, level);
        printPlan(r.db->central(), list, engine == Engine::PostgreSQL);
    }
    const long ops = envNumber("NIMBO_BENCH_OPS", 20);
    std::vector<double> ms, cpu;
    Line line;
    QSqlQuery q(r.db->central());
    long backend = 0;
    if (engine == Engine::PostgreSQL && q.exec(QStringLiteral("SELECT pg_backend_pid()")) && q.next())
        backend = q.value(0).toLongLong();
    for (auto _ : state) {
        for (long i = 0; i < ops; ++i) {
            const double c0 = cpuMs(backend);
            const auto t0 = std::chrono::steady_clock::now();
            long rows = 0;
            if (!q.exec(list)) {
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
    line.p50 = ms[size_t(0.5 * double(ms.size() - 1))];
    line.p99 = ms[size_t(0.99 * double(ms.size() - 1))];
    std::sort(cpu.begin(), cpu.end());
    line.cpu50 = cpu[size_t(0.5 * double(cpu.size() - 1))];
    line.cpu99 = cpu[size_t(0.99 * double(cpu.size() - 1))];
    lines()[shape][level][engine] = line;
    state.counters["p50_ms"] = line.p50;
    state.counters["p99_ms"] = line.p99;
    state.counters["rows"] = double(line.rows);
}

void printTable()
{
    const int limit = search::GeneralCriteria().limit;
    std::printf("\nGeneral search, the list statement (%d rows shown at most; \"+\": the row past the limit came, the "
                "list was cut), ms: wall clock p50 / p99 [processor time p50 / p99]\n",
                limit);
    std::printf("%-24s %-5s | %-36s | %-36s\n", "shape", "level", "SQLite wall [cpu] (rows)",
                "PostgreSQL wall [cpu] (rows)");
    std::printf("%s\n", std::string(24 + 1 + 5 + 3 + 36 + 3 + 36, '-').c_str());
    for (const auto &[shape, byLevel] : lines())
        for (const int level : {6, 8, 9}) {
            const auto l = byLevel.find(level);
            if (l == byLevel.end())
                continue;
            std::printf("%-24s %-5d", shapes()[size_t(shape)].name, level);
            for (const Engine e : {Engine::SQLite, Engine::PostgreSQL}) {
                const auto it = l->second.find(e);
                if (it == l->second.end()) {
                    std::printf(" | %-36s", "not run");
                    continue;
                }
                const Line &x = it->second;
                std::printf(" | %6.0f/%6.0f [%6.0f/%6.0f] (%3ld%s)", x.p50, x.p99, x.cpu50, x.cpu99,
                            std::min<long>(x.rows, limit), x.rows > limit ? "+" : " ");
            }
            std::printf("\n");
        }
}

void arguments(benchmark::internal::Benchmark *b, int engine)
{
    for (int shape = 0; shape < int(shapes().size()); ++shape)
        for (const int level : {6, 8, 9})
            b->Args({engine, level, shape});
}

// One engine after the other: each register is filled once.
BENCHMARK(BM_GeneralSearch)
    ->ArgNames({"pg", "level", "shape"})
    ->Apply([](benchmark::internal::Benchmark *b) { arguments(b, 0); })
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeneralSearch)
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
