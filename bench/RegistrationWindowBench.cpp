// The registration window on a large register, on SQLite and PostgreSQL:
// the time from "REGISTRA" to the number shown on a real window, and the
// window's search through the loader the window uses, for every shape a
// clerk types: subject or correspondent, common and rare words, two words,
// one or two letters present often, seldom or nowhere, names matching one
// entry or tens of thousands, without a period, over the last 7 days and
// over a whole past year.
//
//   NIMBO_BENCH_ROWS  protocols put in the demo register first (default 1000000)
//   NIMBO_BENCH_OPS   registrations / searches per case (default 100 / 20)
//   NIMBO_TEST_PG     PostgreSQL server for the second engine (skipped when unset)
//   NIMBO_BENCH_SQL   set: print each search's statement (to read its plan)
//   NIMBO_BENCH_KEEP  a tag: the filled registers are kept (PostgreSQL database
//                     nimbo_bench_<tag>_<rows>, SQLite file of that name in the
//                     temporary folder) and used again by the next run with
//                     the same tag, brought to the current schema first; the
//                     registrations of each run stay in them
//
// Quick run: NIMBO_BENCH_ROWS=20000 QT_QPA_PLATFORM=offscreen bench_RegistrationWindowBench
//
// After Google Benchmark's own lines it prints one table of every shape on
// both engines with p50 and p99 in milliseconds.

#include <QApplication>
#include <QDate>
#include <QLineEdit>
#include <QRadioButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QKeyEvent>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <iterator>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "data/C_GestDB.h"
#include "data/Funzioni_Com_1.h"
#include "protocol/FrmProtocollo.h"
#include "protocol/ProtocolSearch.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "startup/LoginRules.h"
#include "startup/StartUp.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDb.h"

using namespace nimbo;
using Dialect::Engine;

namespace {

const QString kBody = QStringLiteral("001"); // the demo body

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

// Subject words: the common ones each land in a few percent of the
// subjects; "sopralluogo" in about one protocol in ten thousand.
const char *const kWords[] = {
    "Richiesta", "rimborso", "spese", "sanitarie", "trasmissione", "documentazione", "relativa", "pratica",
    "autorizzazione", "sanitaria", "convenzione", "fornitura", "servizio", "manutenzione", "impianti", "elettrici",
    "certificato", "idoneità", "comunicazione", "variazione", "residenza", "esenzione", "ticket", "ricorso",
    "amministrativo", "nomina", "commissione", "concorso", "pubblico", "graduatoria", "definitiva", "liquidazione",
    "fattura", "ordine", "acquisto", "materiale", "sanitario", "farmaci", "ospedaliero", "delibera", "direttore",
    "generale", "ferie", "personale", "dipendente", "turni", "reparto", "pediatria", "cardiologia", "chirurgia",
    "ambulatorio", "prenotazione", "visita", "specialistica", "esami", "laboratorio", "analisi", "referto",
    "ricovero", "dimissione", "trasferimento", "sede", "distretto", "Potenza", "Matera", "Melfi", "Lauria",
    "Villa d'Agri", "segnalazione", "disservizio", "reclamo", "utente", "risposta", "sollecito", "pagamento",
    "contributo", "regionale", "progetto", "formazione", "corso", "aggiornamento", "privacy", "accesso", "atti",
    "copia", "cartella", "clinica", "protesi", "ausili", "invalidità", "civile", "accertamento", "medico",
    "legale", "parere", "tecnico", "verifica", "ispettiva", "controllo", "qualità", "verbale", "riunione",
    "convocazione", "assemblea", "sindacale", "trattativa", "contratto", "integrativo", "proroga", "incarico",
    "consulenza", "libera", "professione", "intramoenia", "tariffe", "aggiornate", "anno", "corrente",
    "precedente", "rendiconto", "bilancio", "preventivo", "inventario", "beni", "mobili", "dismissione",
    "gara", "appalto", "aggiudicazione", "provvisoria", "offerta", "economica"};
constexpr int kWordCount = int(sizeof(kWords) / sizeof(kWords[0]));

// Address book: "COMUNE" begins one entry in eight (tens of thousands of
// names on a full register), "Dell'Acqua" names one entry. Kinds, surnames
// and first names repeat, as in a real address book of that size.
const char *const kKinds[] = {"COMUNE DI", "Studio Legale", "AZIENDA", "Sig.", "Sig.ra", "Ditta", "Cooperativa",
                              "Dott."};
const char *const kSurnames[] = {"ROSSI", "Russo", "FERRARI", "Esposito", "BIANCHI", "Romano", "COLOMBO",
                                 "Ricci", "MARINO", "Greco", "BRUNO", "Gallo", "CONTI", "De Luca", "MANCINI",
                                 "Costa", "GIORDANO", "Rizzo", "LOMBARDI", "Moretti", "BARBIERI", "Fontana",
                                 "SANTORO", "Mariani", "RINALDI", "Caruso", "FERRARA", "Galli", "MARTINI",
                                 "Leone", "LONGO", "Gentile", "MARTINELLI", "Vitale", "LOMBARDO", "Serra",
                                 "COPPOLA", "De Santis", "D'ANGELO", "Marchetti"};
const char *const kNames[] = {"Mario", "GIUSEPPE", "Anna", "LUCIA", "Francesco", "ANTONIO", "Maria", "PAOLA",
                              "Vincenzo", "TERESA", "Pasquale", "CARMELA", "Rocco", "ANGELA", "Donato"};
constexpr int kRubricaFirst = 1000, kRareEntry = 2500;

// One name for every five protocols, at least a few thousand.
int rubricaCount(long rows) { return int(std::max(3000L, rows / 5)); }

QString denomination(int i)
{
    if (i == kRareEntry)
        return QStringLiteral("Studio Tecnico Dell'Acqua Bernardini");
    return QStringLiteral("%1 %2 %3")
        .arg(QString::fromUtf8(kKinds[i % 8]), QString::fromUtf8(kSurnames[(i * 7) % 40]),
             QString::fromUtf8(kNames[(i * 11) % 15]));
}

// Fills the demo register: the address book, then rows protocols over this
// year and the three before (a quarter each, alternately incoming and
// outgoing), dated in number order over each year (this one up to today),
// one in ten with a further recipient, then the current year's counters
// past them. The words of a subject and the main correspondent are drawn by
// a hash of the row, apart from its year: every word and every kind of name
// falls in every year and in the last days.
bool fill(QSqlDatabase &db, long rows)
{
    const bool pg = Dialect::engineOf(db) == Engine::PostgreSQL;
    const int names = rubricaCount(rows);
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("BEGIN")))
        return false;
    {
        QSqlQuery ins(db);
        ins.prepare(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione, "
                                   "Tab_Domicilio, Tab_Attivo) VALUES (?, ?, ?, 'VIA ROMA', 1)"));
        for (int i = kRubricaFirst; i < kRubricaFirst + names; ++i) {
            ins.addBindValue(i);
            ins.addBindValue(kBody);
            ins.addBindValue(denomination(i));
            if (!ins.exec()) {
                std::fprintf(stderr, "%s\n", qPrintable(ins.lastError().text()));
                return false;
            }
        }
    }
    if (!run(q, QStringLiteral("CREATE TABLE bench_words (i INTEGER PRIMARY KEY, w TEXT)")))
        return false;
    {
        QSqlQuery ins(db);
        ins.prepare(QStringLiteral("INSERT INTO bench_words (i, w) VALUES (?, ?)"));
        for (int i = 0; i < kWordCount; ++i) {
            ins.addBindValue(i);
            ins.addBindValue(QString::fromUtf8(kWords[i]));
            if (!ins.exec())
                return false;
        }
    }
    const QDate today = QDate::currentDate();
    const int year = today.year();
    const long perYear = rows / 4 + 1;
    const auto pad = [pg](const QString &e) {
        return pg ? QStringLiteral("lpad((%1)::text, 7, '0')").arg(e) : QStringLiteral("substr('0000000' || (%1), -7)").arg(e);
    };
    // Days into the row's year: this year's rows reach today, the others the
    // whole year.
    const QString offset = QStringLiteral("((g / 4) * CASE WHEN g % 4 = 0 THEN %1 ELSE 364 END / %2)")
                               .arg(today.dayOfYear() - 1)
                               .arg(perYear);
    const QString day = pg ? QStringLiteral("CAST(make_date(%1 - g % 4, 1, 1) + %2 AS DATE)").arg(year).arg(offset)
                           : QStringLiteral("date((%1 - g % 4) || '-01-01', '+' || %2 || ' days')").arg(year).arg(offset);
    // A multiplicative hash of the row, so that the words do not follow g % 4.
    const auto word = [](int mul, int add) {
        return QStringLiteral("(SELECT w FROM bench_words WHERE i = ((g * %1 + %2) * 2654435761 % 4294967296) / 4096 % %3)")
            .arg(mul)
            .arg(add)
            .arg(kWordCount);
    };
    const QString subject = word(1, 0) + QStringLiteral(" || ' ' || ") + word(7, 3) + QStringLiteral(" || ' ' || ")
                            + word(31, 11) + QStringLiteral(" || ' ' || ") + word(97, 29)
                            + QStringLiteral(" || ' ' || ") + word(389, 53)
                            + QStringLiteral(" || CASE WHEN g % 9973 = 0 THEN ' sopralluogo' ELSE '' END")
                            + QStringLiteral(" || CASE WHEN g % 7919 = 0 THEN ' Qatar' ELSE '' END");
    const QString sql =
        QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataProtocollo, Tab_OraProtocollo, Tab_DataRegistrazione, Tab_Oggetto, Tab_Tipologia, "
                       "Tab_Intestatario, Tab_SedeRicezione, Tab_UfficioRegistrazione, Tab_CodiceOpeReg, "
                       "Tab_StatoProtocollo, Tab_Stampato, Tab_SoggPrivacy) "
                       "WITH RECURSIVE s(g) AS (SELECT 1 UNION ALL SELECT g + 1 FROM s WHERE g < %1) "
                       "SELECT '%2', CASE WHEN g % 2 = 1 THEN 'E' ELSE 'U' END, "
                       "CAST(%3 - (g % 4) AS TEXT) || %4, %5, '10:00:00', %5, %6, 'LET', %7 + (CAST(g AS BIGINT) * 2654435761 % 4294967296) / 4096 % %8, "
                       "'PRO', 'UPR', 'DEMO9', CASE WHEN g % 97 = 0 THEN 'C' ELSE 'A' END, 'N', "
                       "CASE WHEN g % 50 = 0 THEN 'S' ELSE 'N' END FROM s")
            .arg(rows)
            .arg(kBody)
            .arg(year)
            .arg(pad(QStringLiteral("g / 4 + 1000")), day, subject)
            .arg(kRubricaFirst)
            .arg(names);
    const QString further =
        QStringLiteral("INSERT INTO Tab_ProtocolloDestinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_MittDest, Tab_principale) SELECT Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "%1 + (CAST(substr(Tab_NumeroProtocollo, 5) AS BIGINT) * 104729) % %2, 'N' FROM Tab_Protocollo "
                       "WHERE Tab_Ente = '%3' AND CAST(substr(Tab_NumeroProtocollo, 5) AS INTEGER) % 10 = 0")
            .arg(kRubricaFirst)
            .arg(names)
            .arg(kBody);
    const long last = rows / 4 + 1000;
    return run(q, sql) && run(q, further) && run(q, QStringLiteral("DROP TABLE bench_words"))
           && run(q, QStringLiteral("DELETE FROM TAB_STARTPROTOCOLLO WHERE Tab_CodiceEnte = '%1' AND Tab_AnnoProtocollo = %2")
                         .arg(kBody)
                         .arg(year))
           && run(q, QStringLiteral("INSERT INTO TAB_STARTPROTOCOLLO (Tab_CodiceEnte, Tab_AnnoProtocollo, "
                                    "Tab_ProtocolloEntrata, tab_protocolloUscita) VALUES ('%1', %2, %3, %3)")
                         .arg(kBody)
                         .arg(year)
                         .arg(last))
           && run(q, QStringLiteral("COMMIT"))
           // A register in use has been vacuumed by the server long since: its
           // visibility map lets index-only scans skip the rows, as they would.
           && run(q, pg ? QStringLiteral("VACUUM ANALYZE") : QStringLiteral("ANALYZE"));
}

// One filled demo register per engine, and the session pointed at it with
// DEMO9 (level 9) logged in; made on first use and kept for the run.
struct Register {
    std::unique_ptr<test::TestDb> db;
    bool ok = false;
};

// Emptied by main() while Qt's SQL layer is still there to close them.
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
        // A TestDb points the session at itself; the other engine's goes first.
        made.clear();
        Register r;
        const long rows = envNumber("NIMBO_BENCH_ROWS", 1000000);
        const QString tag = qEnvironmentVariable("NIMBO_BENCH_KEEP");
        const QString keep = tag.isEmpty() ? QString() : QStringLiteral("nimbo_bench_%1_%2").arg(tag).arg(rows);
        const auto t0 = std::chrono::steady_clock::now();
        if (!keep.isEmpty())
            qputenv("NIMBO_TESTDB_KEEP", keep.toUtf8());
        r.db = std::make_unique<test::TestDb>(engine, test::Seed::Demo);
        const char *name = engine == Engine::PostgreSQL ? "PostgreSQL" : "SQLite";
        // A kept register filled by an earlier run holds the rows already.
        bool filled = false;
        if (r.db->ok() && !keep.isEmpty()) {
            QSqlQuery count(r.db->central());
            filled = count.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")) && count.next()
                     && count.value(0).toLongLong() >= rows;
        }
        if (r.db->ok() && filled) {
            r.ok = true;
            std::fprintf(stderr, "%s: kept register %s opened in %.1f s\n", name, qPrintable(keep),
                         std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        } else if (r.db->ok()) {
            QSqlDatabase db = r.db->central();
            r.ok = fill(db, rows);
            std::fprintf(stderr, "%s: %ld protocols written in %.1f s\n", name, rows,
                         std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        } else {
            std::fprintf(stderr, "%s\n", qPrintable(r.db->error()));
        }
        if (r.ok) {
            registerServers();
            auto &cfg = DicAmbiente::session().cfg;
            cfg.oleGenerica = kGenericProgId;
            cfg.oleGp = kProtocolProgId;
            const auto row = Funzioni_Com_1::Caricadati(QStringLiteral("PROTOCOLLO"),
                                                        LoginRules::operatorQuery(QStringLiteral("DEMO9")));
            r.ok = row.has_value();
            if (r.ok) {
                LoginRules::storeOperator(*row);
                LoginRules::loadOperatorExtras();
                StartUp::loadParameters(DicAmbiente::session().op.ente);
            }
        }
        it = made.emplace(engine, std::move(r)).first;
    }
    return it->second;
}

// One line of the closing table.
struct Line {
    std::string shape;
    double p50 = 0, p99 = 0;
    long extra = 0;
    std::pair<double, double> open{-1, -1}; // p50, p99 on a connection kept open
};
std::map<std::string, std::map<Engine, Line>> &lines()
{
    static std::map<std::string, std::map<Engine, Line>> t;
    return t;
}
std::vector<std::string> &shapes()
{
    static std::vector<std::string> s;
    return s;
}

void report(benchmark::State &state, const std::string &shape, Engine engine, std::vector<double> ms, double extra = -1,
            const char *extraName = nullptr)
{
    std::sort(ms.begin(), ms.end());
    auto pct = [&](double p) { return ms.empty() ? 0.0 : ms[size_t(p * double(ms.size() - 1))]; };
    state.counters["p50_ms"] = pct(0.50);
    state.counters["p99_ms"] = pct(0.99);
    state.counters["max_ms"] = ms.empty() ? 0.0 : ms.back();
    if (extraName)
        state.counters[extraName] = extra;
    if (std::find(shapes().begin(), shapes().end(), shape) == shapes().end())
        shapes().push_back(shape);
    lines()[shape][engine] = {shape, pct(0.50), pct(0.99), long(extra)};
}

void printTable()
{
    // Through the loader, as the window calls it; and (open) the same SQL on
    // a connection kept open.
    std::printf("\n%-40s | %-37s | %-37s\n", "p50 / p99 ms", "SQLite: loader, open connection, rows",
                "PostgreSQL: loader, open connection, rows");
    std::printf("%s\n", std::string(40 + 3 + 37 + 3 + 37, '-').c_str());
    for (const auto &shape : shapes()) {
        std::printf("%-40s", shape.c_str());
        for (const Engine e : {Engine::SQLite, Engine::PostgreSQL}) {
            const auto &byEngine = lines()[shape];
            const auto it = byEngine.find(e);
            if (it == byEngine.end()) {
                std::printf(" | %-37s", "not run");
                continue;
            }
            const Line &l = it->second;
            char open[32] = "     -/-     ";
            if (l.open.first >= 0)
                std::snprintf(open, sizeof open, "%6.1f/%6.1f", l.open.first, l.open.second);
            std::printf(" | %6.1f/%6.1f  %13s %5ld", l.p50, l.p99, open, l.extra);
        }
        std::printf("\n");
    }
    std::printf("(REGISTRA: rows column = registrations without a number shown)\n");
}

Engine engineArg(const benchmark::State &state) { return state.range(0) ? Engine::PostgreSQL : Engine::SQLite; }

void type(QWidget *window, const char *field, const QString &text)
{
    auto *edit = window->findChild<QLineEdit *>(QLatin1String(field));
    edit->setFocus();
    edit->setText(text);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier), release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(edit, &press);
    QApplication::sendEvent(edit, &release);
}

void BM_Registra(benchmark::State &state)
{
    Register &r = registerOf(engineArg(state));
    if (!r.ok) {
        state.SkipWithError("register not available");
        return;
    }
    const long ops = envNumber("NIMBO_BENCH_OPS", 100);
    test::ScriptedDialogs boxes;
    protocol::FrmProtocollo window;
    auto *number = window.findChild<QLineEdit *>(QStringLiteral("txtNumeroProtocollo"));
    std::vector<double> ms;
    long failures = 0;
    static int serial = 0;
    for (auto _ : state) {
        for (long i = 0; i < ops; ++i) {
            window.ELABORATBAR(QStringLiteral("NUOVO"));
            window.findChild<QRadioButton *>(QStringLiteral("OptTipoProtocollo_0"))->click();
            type(&window, "CodiceMitDest", QStringLiteral("2"));
            type(&window, "CodTipoDoc", QStringLiteral("LET"));
            if (!window.findChild<QLineEdit *>(QStringLiteral("CodSedeRic"))->isReadOnly()) {
                type(&window, "CodSedeRic", QStringLiteral("PRO"));
                type(&window, "CodUfficio", QStringLiteral("UPR"));
            }
            window.findChild<QLineEdit *>(QStringLiteral("Oggetto"))
                ->setText(QStringLiteral("Misura del banco %1 registrazione %2").arg(++serial).arg(i * 7919 % 104729));
            boxes.clear();
            const auto t0 = std::chrono::steady_clock::now();
            window.ELABORATBAR(QStringLiteral("REGISTRA"));
            const bool shown = !number->text().isEmpty();
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
            if (!shown && failures++ == 0)
                std::fprintf(stderr, "no number shown: %s\n", qPrintable(boxes.texts().join(QStringLiteral(" | "))));
        }
        state.SetIterationTime(std::accumulate(ms.begin(), ms.end(), 0.0) / 1000.0);
    }
    report(state, "REGISTRA to the number shown", engineArg(state), ms, double(failures), "failures");
}

// The window's proposed criteria: current year, both directions, every
// protocol, and the period asked.
enum class Period { None, LastWeek, PastYear };
protocol::SearchCriteria proposed(Period period)
{
    protocol::SearchCriteria c;
    const QDate today = QDate::currentDate();
    c.year = QString::number(today.year());
    const auto shown = [](const QDate &d) { return d.toString(QStringLiteral("dd/MM/yyyy")); };
    if (period == Period::LastWeek) {
        c.from = shown(today.addDays(-7));
        c.to = shown(today);
    } else if (period == Period::PastYear) {
        c.from = shown(QDate(today.year() - 1, 1, 1));
        c.to = shown(QDate(today.year() - 1, 12, 31));
    }
    return c;
}

// Each shape: subject and correspondent typed, and the period.
struct Shape {
    const char *name, *subject, *correspondent;
    Period period;
};
const Shape kShapes[] = {
    {"subject, common word", "rimborso", "", Period::None},
    {"subject, common word, last 7 days", "rimborso", "", Period::LastWeek},
    {"subject, common word, past year", "rimborso", "", Period::PastYear},
    {"subject, rare word", "SOPRALLUOGO", "", Period::None},
    {"subject, rare word, last 7 days", "SOPRALLUOGO", "", Period::LastWeek},
    {"subject, rare word, past year", "sopralluogo", "", Period::PastYear},
    {"subject, two common words", "rimborso spese", "", Period::None},
    {"subject, two words, last 7 days", "richiesta rimborso", "", Period::LastWeek},
    {"subject, two letters, absent", "qz", "", Period::None},
    {"subject, two letters, common", "ri", "", Period::None},
    {"subject, two letters, rare", "qa", "", Period::None},
    {"subject, two letters, absent, past year", "xw", "", Period::PastYear},
    {"subject, one letter, common", "z", "", Period::LastWeek},
    {"correspondent, common word", "", "comune", Period::None},
    {"correspondent, common word, last 7 days", "", "comune", Period::LastWeek},
    {"correspondent, rare name", "", "dell'acqua", Period::None},
    {"correspondent, rare name, last 7 days", "", "dell'acqua", Period::LastWeek},
    {"correspondent, thousands of names", "", "rossi", Period::None},
    {"correspondent, 10^4 names, past year", "", "sig.ra", Period::PastYear},
    {"correspondent, two letters, common", "", "ri", Period::None},
    {"correspondent, two letters, absent", "", "qz", Period::None},
    {"correspondent, two letters, last 7 days", "", "co", Period::LastWeek},
    {"subject and correspondent", "rimborso", "comune", Period::None},
};

// range(1): the shape.
void BM_Search(benchmark::State &state)
{
    Register &r = registerOf(engineArg(state));
    if (!r.ok) {
        state.SkipWithError("register not available");
        return;
    }
    const Shape &s = kShapes[state.range(1)];
    protocol::SearchCriteria c = proposed(s.period);
    c.subject = QString::fromUtf8(s.subject);
    c.correspondent = QString::fromUtf8(s.correspondent);
    const QString sql = protocol::searchQuery(c, protocol::Viewer::fromSession());
    if (qEnvironmentVariableIsSet("NIMBO_BENCH_SQL"))
        std::fprintf(stderr, "%s\n%s\n", s.name, qPrintable(sql));
    const long ops = envNumber("NIMBO_BENCH_OPS", 20);
    std::vector<double> ms;
    int rows = 0;
    for (auto _ : state) {
        for (long i = 0; i < ops; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            const auto loaded = Funzioni_Com_1::loadRows(QStringLiteral("PROTOCOLLO"), sql);
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
            rows = loaded.rowCount();
        }
        state.SetIterationTime(std::accumulate(ms.begin(), ms.end(), 0.0) / 1000.0);
    }
    // The same query on a connection kept open: what the statement itself
    // costs, without opening a connection for the call.
    std::vector<double> own;
    QSqlQuery q(r.db->central());
    for (long i = 0; i < ops; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!q.exec(sql))
            break;
        while (q.next()) {
        }
        own.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(own.begin(), own.end());
    report(state, s.name, engineArg(state), ms, rows, "rows");
    if (!own.empty())
        lines()[s.name][engineArg(state)].open = {own[size_t(0.5 * double(own.size() - 1))],
                                                  own[size_t(0.99 * double(own.size() - 1))]};
}

std::vector<int64_t> shapeIndexes()
{
    std::vector<int64_t> out(std::size(kShapes));
    std::iota(out.begin(), out.end(), 0);
    return out;
}

// One engine after the other: each register is filled once.
BENCHMARK(BM_Registra)->ArgNames({"pg"})->Arg(0)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Search)
    ->ArgNames({"pg", "shape"})
    ->ArgsProduct({{0}, shapeIndexes()})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Registra)->ArgNames({"pg"})->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Search)
    ->ArgNames({"pg", "shape"})
    ->ArgsProduct({{1}, shapeIndexes()})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printTable();
    registers().clear();
    C_GestDB::closeLocalDatabase();
    return 0;
}
