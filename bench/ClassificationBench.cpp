// The summary of classified protocols on a large register, on SQLite and
// PostgreSQL: a scheme of 20 titles x 10 categories x 10 classes x 50
// dossiers, protocols spread over five years, each classified into two
// dossiers, one in three routed to the office UPR. Measured through the
// loader the window uses and the window's own statements and row building
// (classification/SummaryQueries.h): the tree's first level, the dossiers of
// a class, and the protocols of a class (or of a dossier) for one year at
// the levels 9, 8 and 7, a different class at every read. Every class is
// read once before the measures (the figures of those first, cold reads are
// printed apart).
//
//   NIMBO_BENCH_ROWS  protocols in the register (default 1000000); twice as
//                     many classification rows
//   NIMBO_BENCH_OPS   reads per case (default 100)
//   NIMBO_TEST_PG     PostgreSQL server for the second engine (skipped when unset)
//   NIMBO_BENCH_SQL=1 prints each statement with its plan
//
// Quick run: NIMBO_BENCH_ROWS=50000 bench_ClassificationBench
//
// After Google Benchmark's own lines it prints p50 and p99 in milliseconds
// of every case on both engines.

#include <QCoreApplication>
#include <QDate>
#include <QRandomGenerator>
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

#include "BenchRegister.h"
#include "classification/SummaryQueries.h"
#include "data/C_GestDB.h"
#include "data/Funzioni_Com_1.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "support/TestDb.h"

using namespace nimbo;
using namespace nimbo::classification::summary;
using Dialect::Engine;
namespace F = Funzioni_Com_1;

namespace {

const QString kBody = QStringLiteral("001");
constexpr int kDossiers = 100000; // 20 x 10 x 10 x 50
constexpr int kFirstYear = 2022, kYears = 5;

using bench::envNumber;
using bench::run;

// SQL pieces that differ between the engines.
struct Sql {
    bool pg;
    QString series(long last, long first = 1) const
    {
        return pg ? QStringLiteral("FROM generate_series(%1, %2) g ").arg(first).arg(last)
                  : QStringLiteral("FROM (WITH RECURSIVE s(g) AS (SELECT %1 UNION ALL SELECT g + 1 FROM s WHERE g < %2) "
                                   "SELECT g FROM s) ")
                        .arg(first)
                        .arg(last);
    }
    QString pad(const QString &expr, int width) const
    {
        return pg ? QStringLiteral("lpad((%1)::text, %2, '0')").arg(expr).arg(width)
                  : QStringLiteral("substr('%1' || (%2), -%3)").arg(QString(width, QLatin1Char('0')), expr).arg(width);
    }
    QString year() const { return QStringLiteral("(%1 + (g - 1) % %2)").arg(kFirstYear).arg(kYears); }
    QString number() const { return (pg ? year() + QStringLiteral("::text") : year()) + QStringLiteral(" || ") + pad(QStringLiteral("g"), 7); }
    QString date() const
    {
        return pg ? QStringLiteral("make_date(%1, 1, 1) + (g % 365)").arg(year())
                  : QStringLiteral("date(%1 || '-01-01', '+' || (g % 365) || ' days')").arg(year());
    }
    // The codes of dossier number d (0 .. kDossiers - 1).
    QString dossierCodes(const QString &d) const
    {
        return QStringLiteral("%1, %2, %3, (%4) % 50 + 1")
            .arg(pad(QStringLiteral("(%1) / 5000 + 1").arg(d), 2), pad(QStringLiteral("(%1) / 500 % 10 + 1").arg(d), 2),
                 pad(QStringLiteral("(%1) / 50 % 10 + 1").arg(d), 2), d);
    }
};

bool fill(QSqlDatabase &db, long rows)
{
    const Sql x{Dialect::engineOf(db) == Engine::PostgreSQL};
    QSqlQuery q(db);
    const QString body = QLatin1Char('\'') + kBody + QLatin1Char('\'');
    const QString scheme = QStringLiteral(", 1, 'BENCH', CURRENT_DATE ");
    const QString dossier1 = QStringLiteral("g % %1").arg(kDossiers);
    // Never the first dossier again: 7918 g = -13 has no solution mod 100000.
    const QString dossier2 = QStringLiteral("((g % %1) * 7919 + 13) % %1").arg(kDossiers);
    const QString classified = QStringLiteral("INSERT INTO Tab_ProFascicoli (Tab_Ente, Tab_TipoProtocollo, "
                                              "Tab_NumeroProtocollo, Tab_Titolo, Tab_Categoria, Tab_Classe, "
                                              "Tab_CodiceFascicolo, Tab_Provenienza, Tab_CodOper, Tab_DatOper) SELECT ");
    const QString direction = QStringLiteral("CASE WHEN g % 2 = 1 THEN 'E' ELSE 'U' END");
    // The bench's scheme replaces the demo's.
    return run(q, QStringLiteral("BEGIN"))
           && run(q, QStringLiteral("DELETE FROM Tab_ProFascicoli WHERE Tab_Ente = ") + body)
           && run(q, QStringLiteral("DELETE FROM Tab_Fascicoli WHERE Tab_Ente = ") + body)
           && run(q, QStringLiteral("DELETE FROM Tab_Classe WHERE Tab_Ente = ") + body)
           && run(q, QStringLiteral("DELETE FROM Tab_Categoria WHERE Tab_Ente = ") + body)
           && run(q, QStringLiteral("DELETE FROM Tab_Titolo WHERE Tab_Ente = ") + body)
           && run(q, QStringLiteral("INSERT INTO Tab_Titolo (Tab_Ente, Tab_Codice, Tab_Descrizione, Tab_Attivo, "
                                    "Tab_CodOper, Tab_DatOper) SELECT %1, %2, 'TITOLO ' || g")
                         .arg(body, x.pad(QStringLiteral("g"), 2))
                         + scheme + x.series(20))
           && run(q, QStringLiteral("INSERT INTO Tab_Categoria (Tab_Ente, Tab_CodiceTitolo, Tab_Codice, Tab_Descrizione, "
                                    "Tab_Attivo, Tab_CodOper, Tab_DatOper) SELECT %1, %2, %3, 'CATEGORIA ' || g")
                         .arg(body, x.pad(QStringLiteral("g / 10 + 1"), 2), x.pad(QStringLiteral("g % 10 + 1"), 2))
                         + scheme + x.series(199, 0))
           && run(q, QStringLiteral("INSERT INTO Tab_Classe (Tab_Ente, Tab_CodiceTitolo, Tab_CodiceCategoria, Tab_Codice, "
                                    "Tab_Descrizione, Tab_Attivo, Tab_CodOper, Tab_DatOper) SELECT %1, %2, %3, %4, "
                                    "'CLASSE ' || g")
                         .arg(body, x.pad(QStringLiteral("g / 100 + 1"), 2), x.pad(QStringLiteral("g / 10 % 10 + 1"), 2),
                              x.pad(QStringLiteral("g % 10 + 1"), 2))
                         + scheme + x.series(1999, 0))
           && run(q, QStringLiteral("INSERT INTO Tab_Fascicoli (Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, "
                                    "Tab_CodiceFascicolo, Tab_Descrizione, Tab_Apertura, Tab_CodOper, Tab_DatOper) "
                                    "SELECT %1, %2, 'FASCICOLO ' || g, CURRENT_DATE, 'BENCH', CURRENT_DATE ")
                         .arg(body, x.dossierCodes(QStringLiteral("g")))
                         + x.series(kDossiers - 1, 0))
           && run(q, QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                                    "Tab_DataProtocollo, Tab_Oggetto, Tab_Tipologia, Tab_Intestatario, "
                                    "Tab_SedeRicezione, Tab_UfficioRegistrazione, Tab_CodiceOpeReg, "
                                    "Tab_StatoProtocollo, Tab_Stampato, Tab_SoggPrivacy) SELECT %1, %2, %3, %4, "
                                    "'OGGETTO DEL DOCUMENTO ' || g, 'LET', g % 30 + 1, "
                                    "CASE WHEN g % 3 = 0 THEN 'AMM' ELSE 'PRO' END, "
                                    "CASE g % 3 WHEN 0 THEN 'RAG' WHEN 1 THEN 'UPR' ELSE 'ARC' END, "
                                    "CASE WHEN g % 4 = 0 THEN 'DEMO6' ELSE 'DEMO9' END, 'A', 'N', "
                                    "CASE WHEN g % 50 = 0 THEN 'S' ELSE 'N' END ")
                         .arg(body, direction, x.number(), x.date())
                         + x.series(rows))
           && run(q, classified + QStringLiteral("%1, %2, %3, %4, 'P', 'BENCH', CURRENT_DATE ")
                                      .arg(body, direction, x.number(), x.dossierCodes(dossier1))
                         + x.series(rows))
           && run(q, classified + QStringLiteral("%1, %2, %3, %4, 'P', 'BENCH', CURRENT_DATE ")
                                      .arg(body, direction, x.number(), x.dossierCodes(dossier2))
                         + x.series(rows))
           // Registered by AMM/RAG and routed to UPR: one protocol in three.
           && run(q, QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, "
                                    "Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, "
                                    "Tab_TipoAssegnazione) SELECT %1, %2, %3, '20240101090000', 'UPR', 0, 1 ")
                         .arg(body, direction, x.number())
                         + x.series(rows) + QStringLiteral("WHERE g % 3 = 0"))
           && run(q, QStringLiteral("COMMIT")) && run(q, x.pg ? QStringLiteral("VACUUM ANALYZE") : QStringLiteral("ANALYZE"));
}

enum Case { FirstLevel, Dossiers, Class9, Class8, Class7, Dossier9, CaseCount };
QString statement(Case c, quint32 i);

struct Register {
    std::unique_ptr<test::TestDb> db;
    bool ok = false;
};

// Every class read once, as a register in use has them in its cache; the
// figures of these first reads are printed apart.
void warmUp(Engine engine)
{
    std::vector<double> ms;
    for (quint32 i = 0; i < 2000; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        F::loadRows(QStringLiteral("PROTOCOLLO"), statement(Class9, i));
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    std::fprintf(stderr, "%s: first read of each of the 2000 classes (one year, level 9): p50 %.2f ms, p99 %.2f ms\n",
                 engine == Engine::PostgreSQL ? "PostgreSQL" : "SQLite", ms[ms.size() / 2], ms[size_t(0.99 * double(ms.size() - 1))]);
}

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
            const long rows = envNumber("NIMBO_BENCH_ROWS", 1000000);
            const auto t0 = std::chrono::steady_clock::now();
            r.ok = fill(db, rows);
            std::fprintf(stderr, "%s: %ld protocols, %ld classification rows written in %.1f s\n",
                         engine == Engine::PostgreSQL ? "PostgreSQL" : "SQLite", rows, 2 * rows,
                         std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        } else {
            std::fprintf(stderr, "%s\n", qPrintable(r.db->error()));
        }
        registerServers();
        DicAmbiente::session().cfg.oleGenerica = kGenericProgId;
        if (r.ok)
            warmUp(engine);
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
    v.operatorCode = QStringLiteral("DEMO9");
    return v;
}

QString code2(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

// The statement of one read of a case; i picks the class.
const char *const kCaseNames[] = {"tree: titles (first level)", "tree: dossiers of a class", "class, one year, level 9",
                                  "class, one year, level 8", "class, one year, level 7", "dossier, one year, level 9"};

QString statement(Case c, quint32 i)
{
    const int klass = int(i % 2000);
    const QStringList path{code2(klass / 100 + 1), code2(klass / 10 % 10 + 1), code2(klass % 10 + 1)};
    Selection s{path[0], path[1], path[2], {}, QString()};
    const Period year{QDate(2024, 1, 1), QDate(2024, 12, 31)};
    switch (c) {
    case FirstLevel: return childrenQuery(kBody, {});
    case Dossiers: return childrenQuery(kBody, path);
    case Class9: return protocolsQuery(kBody, s, year, viewer(9));
    case Class8: return protocolsQuery(kBody, s, year, viewer(8));
    case Class7: return protocolsQuery(kBody, s, year, viewer(7));
    default: s.dossier = qint64(i % 50 + 1); return protocolsQuery(kBody, s, year, viewer(9));
    }
}

struct Line {
    double p50 = -1, p99 = -1;
    double rows = 0;
};
std::map<int, std::map<Engine, Line>> &lines()
{
    static std::map<int, std::map<Engine, Line>> t;
    return t;
}

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
    const Case c = Case(state.range(1));
    const long ops = std::max(1L, envNumber("NIMBO_BENCH_OPS", 100));
    QRandomGenerator pick(42);
    if (!qgetenv("NIMBO_BENCH_SQL").isEmpty()) {
        const QString sql = statement(c, 7);
        std::fprintf(stderr, "%s\n", qPrintable(sql));
        QSqlQuery plan(r.db->central());
        const bool pg = engine == Engine::PostgreSQL;
        if (plan.exec((pg ? QStringLiteral("EXPLAIN ANALYZE ") : QStringLiteral("EXPLAIN QUERY PLAN ")) + sql))
            while (plan.next())
                std::fprintf(stderr, "  %s\n", qPrintable(plan.value(pg ? 0 : 3).toString()));
    }
    std::vector<double> ms;
    double rows = 0;
    for (auto _ : state) {
        for (long i = 0; i < ops; ++i) {
            const QString sql = statement(c, pick.generate());
            const auto t0 = std::chrono::steady_clock::now();
            const F::LoadedRows loaded = F::loadRows(QStringLiteral("PROTOCOLLO"), sql);
            int n = 0;
            if (c == FirstLevel || c == Dossiers)
                n = int(elementsOf(loaded, c == FirstLevel ? 0 : 3).size());
            else
                n = int(protocolRows(loaded, viewer(9)).first().size());
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
            if (loaded.failed()) {
                state.SkipWithError(qPrintable(loaded.message));
                return;
            }
            rows += n;
        }
        state.SetIterationTime(0.001 * std::accumulate(ms.begin(), ms.end(), 0.0) / double(ms.size()));
    }
    std::sort(ms.begin(), ms.end());
    Line &l = lines()[c][engine];
    l.p50 = ms[size_t(0.5 * double(ms.size() - 1))];
    l.p99 = ms[size_t(0.99 * double(ms.size() - 1))];
    l.rows = rows / double(ms.size());
    state.counters["rows"] = l.rows;
    state.counters["p99_ms"] = l.p99;
}

void printTable()
{
    std::printf("\nClassification summary, ms     %-28s %-28s\n", "SQLite p50 / p99 (rows)", "PostgreSQL p50 / p99 (rows)");
    for (int c = 0; c < CaseCount; ++c) {
        std::printf("%-30s", kCaseNames[c]);
        for (Engine e : {Engine::SQLite, Engine::PostgreSQL}) {
            const auto it = lines()[c].find(e);
            if (it == lines()[c].end() || it->second.p50 < 0)
                std::printf(" %-28s", "-");
            else
                std::printf(" %7.2f / %7.2f (%6.1f)   ", it->second.p50, it->second.p99, it->second.rows);
        }
        std::printf("\n");
    }
}

BENCHMARK(BM_Summary)->ArgNames({"pg", "case"})->ArgsProduct({{0}, {0, 1, 2, 3, 4, 5}})->Iterations(1)->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Summary)->ArgNames({"pg", "case"})->ArgsProduct({{1}, {0, 1, 2, 3, 4, 5}})->Iterations(1)->UseManualTime()
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
