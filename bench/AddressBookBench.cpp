// The address book over 100,000 entries, on SQLite and PostgreSQL: the
// registration window's correspondent lookup (a part of the name, Enter)
// and the address-book window's search (beginning with, containing, by
// kind), each through the loader the windows use; and the lookup as the
// clerk types a name, one keystroke a run: the search that the end of the
// pause after a key runs and the pick list it fills, from the third
// character of each name to its last.
//
//   NIMBO_BENCH_ENTRIES  address-book entries (default 100000)
//   NIMBO_BENCH_OPS      runs per case (default 50)
//   NIMBO_TEST_PG        PostgreSQL server for the second engine (skipped when unset)
//
// The register is vacuumed after it is written (PostgreSQL) and the
// loader's connection opened, as the login opens it, before any case runs;
// the first lookup of each case is timed with the rest.
//
// After Google Benchmark's own lines it prints one table of every case on
// both engines with p50 and p99 in milliseconds.

#include <QApplication>
#include <QLineEdit>
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

#include "addressbook/AddressBookRules.h"
#include "data/C_GestDB.h"
#include "data/Funzioni_Com_1.h"
#include "protocol/FrmProtocollo.h"
#include "protocol/ProtocolRules.h"
#include "ui/CodeLookup.h"
#include "ui/TypeAhead.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "support/TestDb.h"

using namespace nimbo;
using Dialect::Engine;
namespace F = Funzioni_Com_1;
namespace ab = nimbo::addressbook;

namespace {

const QString kBody = QStringLiteral("001");

long envNumber(const char *name, long fallback)
{
    bool ok = false;
    const long n = qgetenv(name).toLong(&ok);
    return ok && n > 0 ? n : fallback;
}

const char *const kFirst[] = {"COMUNE DI", "STUDIO LEGALE", "AZIENDA", "DITTA", "COOPERATIVA", "FARMACIA",
                              "STUDIO TECNICO", "SIG.", "SIG.RA", "DOTT."};
const char *const kSurnames[] = {"ROSSI", "RUSSO", "FERRARI", "ESPOSITO", "BIANCHI", "ROMANO", "COLOMBO", "RICCI",
                                 "MARINO", "GRECO", "BRUNO", "GALLO", "CONTI", "DE LUCA", "MANCINI", "COSTA",
                                 "GIORDANO", "RIZZO", "LOMBARDI", "MORETTI", "BARBIERI", "FONTANA", "SANTORO",
                                 "MARIANI", "RINALDI", "CARUSO", "FERRARA", "GALLI", "MARTINI", "LEONE", "LONGO",
                                 "GENTILE", "MARTINELLI", "VITALE", "LOMBARDO", "SERRA", "COPPOLA", "DE SANTIS",
                                 "D'ANGELO", "MARCHETTI"};
const char *const kTowns[] = {"076063", "076048", "076066", "076040", "076007", "076089", "077014", "063049",
                              "072006", "058091"};

// Distinct names: one in forty is a ROSSI, the rare one is a single entry.
QString denomination(long i)
{
    if (i == 77777)
        return QStringLiteral("PANIFICIO DELL'AQUILA BERNARDINI");
    return QStringLiteral("%1 %2 %3")
        .arg(QString::fromUtf8(kFirst[i % 10]), QString::fromUtf8(kSurnames[(i / 10) % 40]))
        .arg(i);
}

struct Register {
    std::unique_ptr<test::TestDb> db;
    bool ok = false;
};

// One register at a time: a TestDb points the session at itself, so the
// other engine's goes first. Emptied by main() while Qt's SQL layer is there.
std::map<Engine, Register> &registers()
{
    static std::map<Engine, Register> made;
    return made;
}

Register &registerFor(Engine e)
{
    auto &made = registers();
    if (auto it = made.find(e); it != made.end())
        return it->second;
    made.clear();
    Register &r = made[e];
    r.db = std::make_unique<test::TestDb>(e, test::Seed::Demo);
    if (!r.db->ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(r.db->error()));
        return r;
    }
    DicAmbiente::session().cfg.oleGenerica = kGenericProgId;
    QSqlDatabase db = r.db->central();
    QSqlQuery q(db);
    q.exec(QStringLiteral("BEGIN"));
    QSqlQuery ins(db);
    ins.prepare(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione, "
                               "Tab_Domicilio, Tab_NumeroCivico, Tab_ComuneUbicazione, Tab_TipoUtenza, Tab_Attivo) "
                               "VALUES (?, ?, ?, 'VIA ROMA', '1 ', ?, ?, 1)"));
    const long n = envNumber("NIMBO_BENCH_ENTRIES", 100000);
    const auto t0 = std::chrono::steady_clock::now();
    for (long i = 100; i < 100 + n; ++i) {
        ins.addBindValue(qlonglong(i));
        ins.addBindValue(kBody);
        ins.addBindValue(denomination(i));
        ins.addBindValue(QString::fromLatin1(kTowns[i % 10]));
        ins.addBindValue(QStringLiteral("00%1").arg(1 + i % 4));
        if (!ins.exec()) {
            std::fprintf(stderr, "%s\n", qPrintable(ins.lastError().text()));
            return r;
        }
    }
    q.exec(QStringLiteral("COMMIT"));
    // A register in use has been vacuumed since its rows were written; a
    // vacuum left to run during the measures would be timed with them.
    q.exec(e == Engine::PostgreSQL ? QStringLiteral("VACUUM ANALYZE") : QStringLiteral("ANALYZE"));
    std::fprintf(stderr, "%s: %ld entries written in %.1f s\n", e == Engine::PostgreSQL ? "PostgreSQL" : "SQLite", n,
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    // The program reads through the loader from the login on: its
    // connection is open before the first lookup.
    F::loadRows(QStringLiteral("PROTOCOLLO"), QStringLiteral("SELECT 1"));
    r.ok = true;
    return r;
}

// Milliseconds of every run of a case, per engine.
std::map<std::string, std::map<Engine, std::vector<double>>> &timings()
{
    static std::map<std::string, std::map<Engine, std::vector<double>>> t;
    return t;
}

void measure(benchmark::State &state, const std::string &name, const std::function<int()> &run)
{
    const Engine e = state.range(0) ? Engine::PostgreSQL : Engine::SQLite;
    if (e == Engine::PostgreSQL && test::TestDb::postgresAdminConnInfo().isEmpty()) {
        state.SkipWithError("NIMBO_TEST_PG not set");
        return;
    }
    Register &r = registerFor(e);
    if (!r.ok) {
        state.SkipWithError("register not made");
        return;
    }
    // One run unmeasured: the pick list's window is made and shown, and
    // the statement prepared, as they are before the clerk's first key.
    int rows = run();
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        rows = run();
        const auto t1 = std::chrono::steady_clock::now();
        timings()[name][e].push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        if (rows < 0) {
            state.SkipWithError("query failed");
            return;
        }
    }
    state.counters["rows"] = rows;
}

int lookupRows(const QString &typed, bool byDescription)
{
    const protocol::LookupScope scope{kBody, QString(), QString(), true};
    return int(protocol::lookup(protocol::CodeField::Correspondent, typed, scope, byDescription).size());
}

int searchRows(const QString &text, bool contains, const QString &kind, int limit)
{
    ab::Search s;
    s.ente = kBody;
    s.text = text;
    s.contains = contains;
    s.kind = kind;
    s.limit = limit;
    const F::LoadedRows r = F::loadRows(QStringLiteral("PROTOCOLLO"), ab::searchSql(s));
    return r.ok ? r.rowCount() : (r.noRows() ? 0 : -1);
}

// The registration window's correspondent field, its pick list and the
// search as it types; each run is one key: the next prefix of the names.
struct Typing {
    QWidget window;
    QLineEdit *field = new QLineEdit(&window);
    ui::PickList *list = new ui::PickList(&window);
    ui::TypeAhead *ahead = nullptr;
    std::vector<QString> keys;
    size_t next = 0;
    int shown = 0;
};

// Emptied by main() while the application is there.
std::map<const std::vector<QString> *, std::unique_ptr<Typing>> &typingStates()
{
    static std::map<const std::vector<QString> *, std::unique_ptr<Typing>> made;
    return made;
}

int keystroke(const std::vector<QString> &names)
{
    auto &t = typingStates()[&names];
    if (!t) {
        t = std::make_unique<Typing>();
        t->window.resize(900, 600);
        const protocol::LookupScope scope{kBody, QString(), QString(), true};
        t->ahead = new ui::TypeAhead(
            t->field, t->list,
            [scope](const QString &typed) {
                return protocol::registrationMatches(protocol::CodeField::Correspondent, typed, scope, true,
                                                     protocol::LookupList::AsTyped);
            },
            {}, &t->window);
        QObject::connect(t->ahead, &ui::TypeAhead::answered, [p = t.get()](const QString &, int rows) { p->shown = rows; });
        for (const QString &name : names)
            for (int n = ui::TypeAhead::kMinimumLength; n <= name.size(); ++n)
                t->keys.push_back(name.left(n));
        t->window.show();
    }
    const QString key = t->keys[t->next++ % t->keys.size()];
    t->field->setText(key);
    const auto t0 = std::chrono::steady_clock::now();
    t->ahead->searchNow();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    if (qEnvironmentVariableIsSet("NIMBO_BENCH_KEYS"))
        std::fprintf(stderr, "%-24s %8.2f ms %4d rows\n", qPrintable(key), ms, t->shown);
    return t->shown;
}

const std::vector<QString> kTypedNames{QStringLiteral("BERNARDINI"), QStringLiteral("ROSSI"),
                                       QStringLiteral("COMUNE DI ROMA"), QStringLiteral("DELL'AQUILA"),
                                       QStringLiteral("STUDIO LEGALE MARINO")};
const std::vector<QString> kRareName{QStringLiteral("PANIFICIO DELL'AQUILA BERNARDINI")};
// Texts that many names hold but none begins with: the list is made of
// names containing them, walked for in order.
const std::vector<QString> kInsideNames{QStringLiteral("TUDIO LEGALE"), QStringLiteral("OSSI"),
                                        QStringLiteral("UNE DI ROMA"), QStringLiteral("ARMACIA MARINO")};

struct Case {
    const char *label;
    std::function<int()> run;
};

const std::vector<Case> &cases()
{
    static const std::vector<Case> all{
        {"lookup: contains BERNARDINI (1 entry)", [] { return lookupRows(QStringLiteral("BERNARDINI"), true); }},
        {"lookup: contains DELL'AQUILA", [] { return lookupRows(QStringLiteral("DELL'AQUILA"), true); }},
        {"lookup: contains ROSSI (first 500)", [] { return lookupRows(QStringLiteral("ROSSI"), true); }},
        {"lookup: identifier 54321", [] { return lookupRows(QStringLiteral("54321"), false); }},
        {"search: begins COMUNE DI R (50)",
         [] { return searchRows(QStringLiteral("COMUNE DI R"), false, ab::kAllKinds, 50); }},
        {"search: contains MARINO (50)", [] { return searchRows(QStringLiteral("MARINO"), true, ab::kAllKinds, 50); }},
        {"search: contains BERNARDINI",
         [] { return searchRows(QStringLiteral("BERNARDINI"), true, ab::kAllKinds, 50); }},
        {"search: kind 003, no text (1000)", [] { return searchRows(QString(), false, QStringLiteral("003"), 1000); }},
        {"search: kind 002 contains GRECO (100)",
         [] { return searchRows(QStringLiteral("GRECO"), true, QStringLiteral("002"), 100); }},
        {"as typed: five names, per keystroke", [] { return keystroke(kTypedNames); }},
        {"as typed: one rare name, per keystroke", [] { return keystroke(kRareName); }},
        {"as typed: inside many names, per keystroke", [] { return keystroke(kInsideNames); }},
    };
    return all;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t at = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    return v[at];
}

} // namespace

int main(int argc, char **argv)
{
    // The pick list is a widget: the run needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerServers();
    // Every case on one engine, then on the other: one register at a time.
    const long ops = envNumber("NIMBO_BENCH_OPS", 50);
    for (int pg = 0; pg < 2; ++pg)
        for (const Case &c : cases())
            benchmark::RegisterBenchmark((std::string(c.label) + (pg ? " [pg]" : " [sqlite]")).c_str(),
                                         [&c](benchmark::State &st) { measure(st, c.label, c.run); })
                ->Arg(pg)
                ->Iterations(ops)
                ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n%-42s %12s %12s %12s %12s\n", "case (ms)", "SQLite p50", "SQLite p99", "PG p50", "PG p99");
    for (const auto &[name, byEngine] : timings()) {
        const auto cell = [&](Engine e, double p) {
            const auto it = byEngine.find(e);
            return it == byEngine.end() ? 0.0 : percentile(it->second, p);
        };
        std::printf("%-42s %12.2f %12.2f %12.2f %12.2f\n", name.c_str(), cell(Engine::SQLite, 0.5),
                    cell(Engine::SQLite, 0.99), cell(Engine::PostgreSQL, 0.5), cell(Engine::PostgreSQL, 0.99));
    }
    typingStates().clear();
    registers().clear();
    C_GestDB::closeLocalDatabase();
    return 0;
}
