// The row list of every window with 50,000 rows: read from the register
// through the generic server and shown, filled from rows in memory and
// shown, sorted by each column (a header click) and narrowed by a typed
// word. Each figure includes painting the visible rows. The target: a list
// of this size opens in under a second and sorts by any column.
//
//   QT_QPA_PLATFORM=offscreen bench_ListBench
//   (NIMBO_TEST_PG set: the read is measured on PostgreSQL too)

#include <QApplication>
#include <QDate>
#include <QHeaderView>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>

#include "data/C_GestDB.h"
#include "data/Funzioni_Com_1.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "support/TestDb.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

namespace {

namespace F = Funzioni_Com_1;
using Dialect::Engine;

constexpr int kRows = 50000;
const QString kTitles = QStringLiteral("CODICE;DESCRIZIONE;NUMERO;DATA;CHIUSO");
const QString kWidths = QStringLiteral("8;60;10;12;8");
const char *const kWords[] = {"ALFA", "BRAVO", "CHARLIE", "DELTA", "ECHO", "FOXTROT", "GOLF", "HOTEL", "INDIA", "JULIET"};

QString description(int i)
{
    return QStringLiteral("UFFICIO %1 %2 %3")
        .arg(QLatin1String(kWords[i % 10]), QLatin1String(kWords[(i / 10) % 10]))
        .arg(i);
}

// The rows as the loaders hand them over: column first.
const F::Columns &memoryRows()
{
    static const F::Columns rows = [] {
        F::Columns c(5);
        for (QVariantList &col : c)
            col.reserve(kRows);
        const QDate first(2000, 1, 1);
        for (int i = 0; i < kRows; ++i) {
            // Codes in an order unlike the row order, so that sorting works.
            c[0].append(QStringLiteral("C%1").arg((i * 7919) % kRows, 6, 10, QLatin1Char('0')));
            c[1].append(description(i));
            c[2].append((qlonglong(i) * 104729) % 1000003);
            c[3].append(first.addDays((i * 31) % 9000).toString(Qt::ISODate)); // as the loaders give dates
            c[4].append(i % 7 == 0 ? QStringLiteral("SI") : QStringLiteral("NO"));
        }
        return c;
    }();
    return rows;
}

// A list as a window holds it: shown, of a window's size.
std::unique_ptr<nimbo::ui::RowList> newList()
{
    auto list = std::make_unique<nimbo::ui::RowList>(QStringLiteral("LwBench"));
    list->setColumns(kTitles, kWidths);
    list->resize(900, 600);
    list->show();
    return list;
}

// Paints what is visible, as the screen would.
void paint(nimbo::ui::RowList *list)
{
    QApplication::processEvents();
    benchmark::DoNotOptimize(list->view()->viewport()->grab());
}

// A register with the 50,000 rows in a table of its own, per engine.
struct Register {
    std::unique_ptr<nimbo::test::TestDb> db;
    bool ok = false;
};
std::map<Engine, Register> &registers()
{
    static std::map<Engine, Register> made;
    return made;
}

bool ready(Engine engine)
{
    auto &made = registers();
    if (made.count(engine))
        return made[engine].ok;
    if (engine == Engine::PostgreSQL && nimbo::test::TestDb::postgresAdminConnInfo().isEmpty())
        return false;
    made.clear(); // a TestDb points the session at itself
    Register r;
    r.db = std::make_unique<nimbo::test::TestDb>(engine, nimbo::test::Seed::Empty);
    if (!r.db->ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(r.db->error()));
        made[engine] = std::move(r);
        return false;
    }
    QSqlDatabase db = r.db->central();
    QSqlQuery q(db);
    r.ok = q.exec(QStringLiteral("CREATE TABLE Bench_Righe (Codice VARCHAR(10), Descrizione VARCHAR(100), "
                                 "Numero INTEGER, Data DATE, Chiuso VARCHAR(2))"));
    db.transaction();
    q.prepare(QStringLiteral("INSERT INTO Bench_Righe VALUES (?, ?, ?, ?, ?)"));
    const F::Columns &rows = memoryRows();
    for (int i = 0; r.ok && i < kRows; ++i) {
        for (int c = 0; c < 5; ++c)
            q.bindValue(c, c == 3 && engine == Engine::PostgreSQL
                               ? QVariant(QDate::fromString(rows[c][i].toString(), Qt::ISODate))
                               : rows[c][i]);
        r.ok = q.exec();
    }
    r.ok = db.commit() && r.ok;
    nimbo::registerServers();
    DicAmbiente::session().cfg.oleGenerica = nimbo::kGenericProgId;
    made[engine] = std::move(r);
    return made[engine].ok;
}

void BM_OpenFromRegister(benchmark::State &state)
{
    const Engine engine = state.range(0) ? Engine::PostgreSQL : Engine::SQLite;
    if (!ready(engine)) {
        state.SkipWithError("database not available");
        return;
    }
    for (auto _ : state) {
        auto list = newList();
        if (!list->load(QStringLiteral("SELECT Codice, Descrizione, Numero, Data, Chiuso FROM Bench_Righe"))
            || list->count() != kRows) {
            state.SkipWithError("read failed");
            return;
        }
        paint(list.get());
    }
    state.counters["rows"] = kRows;
}

void BM_OpenFromMemory(benchmark::State &state)
{
    const F::Columns &rows = memoryRows();
    for (auto _ : state) {
        auto list = newList();
        list->setRows(rows);
        paint(list.get());
    }
    state.counters["rows"] = kRows;
}

void BM_SortByColumn(benchmark::State &state)
{
    const int column = int(state.range(0));
    auto list = newList();
    list->setRows(memoryRows());
    paint(list.get());
    Qt::SortOrder order = Qt::AscendingOrder;
    for (auto _ : state) {
        // A header click, each time in the other direction.
        list->view()->sortByColumn(column, order);
        paint(list.get());
        order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
    state.SetLabel(kTitles.split(QLatin1Char(';')).at(column).toStdString());
}

void BM_FilterByWord(benchmark::State &state)
{
    auto list = newList();
    list->setRows(memoryRows());
    paint(list.get());
    int kept = 0;
    for (auto _ : state) {
        list->filterBox()->setText(QStringLiteral("golf"));
        paint(list.get());
        kept = list->proxy()->rowCount();
        state.PauseTiming();
        list->filterBox()->clear();
        state.ResumeTiming();
    }
    state.counters["kept"] = kept;
}

BENCHMARK(BM_OpenFromRegister)->ArgNames({"pg"})->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFromMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByColumn)->ArgNames({"column"})->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterByWord)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Closed while Qt's SQL layer is still there.
    registers().clear();
    C_GestDB::closeLocalDatabase();
    return 0;
}
