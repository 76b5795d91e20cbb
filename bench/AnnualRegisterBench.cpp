// The annual register of a large register printed to PDF, as "Stampe
// Periodiche" does it: the rows read by the protocol server (operation
// 502), written into the local Tab_Report, and the template printed to a
// PDF file. Each stage's time and the process's peak memory are reported.
//
//   NIMBO_BENCH_ROWS  protocols of the current year in the register
//                     (default 100000)
//   NIMBO_BENCH_PG    as for every benchmark (see BenchRegister.h)

#include <QFileInfo>
#include <QGuiApplication>
#include <QSqlDatabase>
#include <sys/resource.h>

#include "BenchRegister.h"
#include "platform/ReportEngine.h"
#include "reports/RegisterRows.h"
#include "servers/AnnualRegister.h"
#include "servers/ProtocolServer.h"

namespace {

double since(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double peakMegabytes()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

void annualRegisterToPdf(benchmark::State &state, Dialect::Engine engine)
{
    if (!qEnvironmentVariableIsSet("NIMBO_BENCH_ROWS"))
        qputenv("NIMBO_BENCH_ROWS", "100000");
    const auto target = bench::database(engine, QStringLiteral("nimbo_bench_register"));
    if (!target) {
        state.SkipWithError("no database for this engine");
        return;
    }
    static QTemporaryDir dir;
    QString err;
    const QString localName = QStringLiteral("bench_local_%1").arg(int(engine));
    if (!Dialect::open(localName, Dialect::Target::sqlite(dir.filePath(QStringLiteral("locale.sqlite"))), &err)) {
        state.SkipWithError(qPrintable(err));
        return;
    }
    QSqlDatabase local = QSqlDatabase::database(localName, false);
    if (!Schema::createOrUpgrade(local, Schema::Kind::Local, &err)) {
        state.SkipWithError(qPrintable(err));
        return;
    }
    const int year = QDate::currentDate().year();
    double read = 0, fill = 0, pdf = 0;
    long rows = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        QVector<nimbo::ReportRow> report;
        {
            nimbo::ProtocolServer server(*target);
            QVariantList params{bench::kEnte, QDate(year, 1, 1), QDate(year, 12, 31), QStringLiteral("OP01")};
            const QVariantList reply = server.Elabora(nimbo::kOpRegistroProtocolli, params);
            if (reply.value(0).toInt() != 0) {
                state.SkipWithError(qPrintable(reply.value(1).toString()));
                return;
            }
            report = nimbo::reports::registerReportRows(reply.value(2));
        }
        read += since(t0);
        rows = long(report.size());
        t0 = std::chrono::steady_clock::now();
        if (!nimbo::replaceReportRows(local, report, &err)) {
            state.SkipWithError(qPrintable(err));
            return;
        }
        report.clear();
        fill += since(t0);
        t0 = std::chrono::steady_clock::now();
        nimbo::ReportEngine engine(QStringLiteral(NIMBO_TEMPLATES));
        nimbo::ReportRequest req;
        req.templateName = QStringLiteral("RegistroAnnuale.rpt");
        req.title = QStringLiteral("Registro Annuale del Protocollo");
        const QString file = dir.filePath(QStringLiteral("registro.pdf"));
        if (!engine.print(req, local, nimbo::ReportTarget::pdf(file))) {
            state.SkipWithError(qPrintable(engine.lastErrorText()));
            return;
        }
        pdf += since(t0);
        state.counters["pdf_MB"] = double(QFileInfo(file).size()) / 1e6;
    }
    const double n = double(state.iterations());
    state.counters["rows"] = double(rows);
    state.counters["read_s"] = read / n;
    state.counters["fill_s"] = fill / n;
    state.counters["pdf_s"] = pdf / n;
    state.counters["total_s"] = (read + fill + pdf) / n;
    state.counters["peak_MB"] = peakMegabytes();
}

} // namespace

BENCHMARK_CAPTURE(annualRegisterToPdf, SQLite, Dialect::Engine::SQLite)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(annualRegisterToPdf, PostgreSQL, Dialect::Engine::PostgreSQL)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
