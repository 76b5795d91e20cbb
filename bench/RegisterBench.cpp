// The registers of protocols on a large register.
//
// DailyRegister: the daily register (read, PDF/A written, fingerprinted and
// recorded) of a day holding 5,000 protocols in a register of
// NIMBO_BENCH_ROWS protocols (default 1,000,000), on SQLite and PostgreSQL.
//
// GeneralRegister: the general register of NIMBO_BENCH_ANNUAL protocols
// (default 100,000) as the window prints it: the rows read from the
// protocol server (operation 503) batch after batch into the local
// Tab_Report, then the template printed to PDF part after part. SQLite;
// peak_rss_mb is the process's peak resident memory after the run.
//
//   NIMBO_BENCH_PART  rows of the register painted at a time (default 400)
//
// Quick run: NIMBO_BENCH_ROWS=50000 NIMBO_BENCH_ANNUAL=20000 bench_RegisterBench

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <sys/resource.h>

#include "BenchRegister.h"
#include "dailyregister/DailyRegister.h"
#include "platform/ReportEngine.h"
#include "servers/ProtocolServer.h"
#include "servers/RegisterRequests.h"

namespace {

const QDate kDay(2020, 6, 15);

// 5,000 protocols of one day of 2020, beside the register's own.
bool busyDay(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!bench::run(q, QStringLiteral("BEGIN"))
        || !bench::run(q, QStringLiteral("INSERT INTO Tab_Protocollo_Ammissioni (Amm_Ente, Amm_Motivo) VALUES ('BENCH', "
                                         "'giorno di prova')")))
        return false;
    QSqlQuery ins(db);
    ins.prepare(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                               "Tab_DataProtocollo, Tab_OraProtocollo, Tab_DataRegistrazione, Tab_Oggetto, Tab_Tipologia, "
                               "Tab_Intestatario, Tab_SedeRicezione, Tab_UfficioRegistrazione, Tab_CodiceOpeReg, "
                               "Tab_StatoProtocollo, Tab_SoggPrivacy) VALUES ('BENCH', ?, ?, ?, ?, ?, ?, 'LET', ?, "
                               "'D01', 'U01', 'OP01', 'A', ?)"));
    for (int i = 1; i <= 5000; ++i) {
        ins.addBindValue(i % 2 ? QStringLiteral("E") : QStringLiteral("U"));
        ins.addBindValue(QStringLiteral("2020%1").arg(i, 7, 10, QLatin1Char('0')));
        ins.addBindValue(kDay.toString(Qt::ISODate));
        ins.addBindValue(QTime(8, 0).addSecs(i * 6).toString(QStringLiteral("hh:mm:ss")));
        ins.addBindValue(kDay.toString(Qt::ISODate));
        ins.addBindValue(QStringLiteral("Richiesta di accesso agli atti numero %1 presentata allo sportello").arg(i));
        ins.addBindValue(qlonglong(i % 5000));
        ins.addBindValue(i % 50 ? QStringLiteral("N") : QStringLiteral("S"));
        if (!ins.exec()) {
            std::fprintf(stderr, "%s\n", qPrintable(ins.lastError().text()));
            return false;
        }
    }
    return bench::run(q, QStringLiteral("DELETE FROM Tab_Protocollo_Ammissioni WHERE Amm_Ente = 'BENCH'"))
           && bench::run(q, QStringLiteral("COMMIT")) && bench::run(q, QStringLiteral("ANALYZE"));
}

double peakRssMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

void DailyRegister(benchmark::State &state, Dialect::Engine engine)
{
    const auto target = bench::database(engine, QStringLiteral("nimbo_bench_daily"), busyDay);
    if (!target) {
        state.SkipWithError("no database");
        return;
    }
    const QString name = QStringLiteral("bench_daily");
    QString err;
    if (!Dialect::open(name, *target, &err)) {
        state.SkipWithError(qPrintable(err));
        return;
    }
    QTemporaryDir out;
    nimbo::daily::Produced p;
    for (auto _ : state) {
        if (!nimbo::daily::produce(QSqlDatabase::database(name, false), bench::kEnte, kDay, out.path(),
                                   QStringLiteral("OP01"), QDateTime::currentDateTime(), &p, &err)) {
            state.SkipWithError(qPrintable(err));
            break;
        }
    }
    state.counters["protocols"] = p.protocols;
    state.counters["pdf_kb"] = double(QFileInfo(p.pdf).size()) / 1024.0;
    state.counters["peak_rss_mb"] = peakRssMb();
    Dialect::close(name);
}

void GeneralRegister(benchmark::State &state)
{
    QTemporaryDir dir;
    const auto central = Dialect::Target::sqlite(dir.filePath(QStringLiteral("annual.db")));
    const auto local = Dialect::Target::sqlite(dir.filePath(QStringLiteral("locale.db")));
    QString err;
    const long rows = bench::envNumber("NIMBO_BENCH_ANNUAL", 100000);
    {
        if (!Dialect::open(QStringLiteral("annual_fill"), central, &err)) {
            state.SkipWithError(qPrintable(err));
            return;
        }
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("annual_fill"), false);
        if (!Schema::createOrUpgrade(db, Schema::Kind::Central, &err) || !bench::fill(db, rows)) {
            state.SkipWithError("filling the register failed");
            return;
        }
    }
    Dialect::close(QStringLiteral("annual_fill"));
    if (!Dialect::open(QStringLiteral("annual_local"), local, &err)) {
        state.SkipWithError(qPrintable(err));
        return;
    }
    QSqlDatabase tablocal = QSqlDatabase::database(QStringLiteral("annual_local"), false);
    if (!Schema::createOrUpgrade(tablocal, Schema::Kind::Local, &err)) {
        state.SkipWithError(qPrintable(err));
        return;
    }
    const double before = peakRssMb();
    long printed = 0;
    for (auto _ : state) {
        nimbo::ProtocolServer server(central);
        QSqlQuery ins(tablocal);
        tablocal.transaction();
        ins.exec(QStringLiteral("DELETE FROM Tab_Report"));
        QStringList cols, marks;
        for (int c = 1; c <= nimbo::RegFieldCount; ++c) {
            cols << nimbo::reportColumnName(c);
            marks << QStringLiteral("?");
        }
        ins.prepare(QStringLiteral("INSERT INTO Tab_Report (%1) VALUES (%2)").arg(cols.join(QLatin1Char(',')),
                                                                                marks.join(QLatin1Char(','))));
        QString after;
        printed = 0;
        for (;;) {
            QVariantList request = nimbo::registerRowsRequest(bench::kEnte, QString(), QDate::currentDate(), after, 5000);
            const QVariantList reply = server.Elabora(nimbo::kOpStampaRegistro, request);
            if (reply.value(0).toInt() != 0)
                break;
            const QVariantList batch = reply.value(2).toList();
            for (const QVariant &r : batch) {
                const QStringList row = r.toStringList();
                for (int c = 0; c < nimbo::RegFieldCount; ++c)
                    ins.bindValue(c, row.value(c));
                ins.exec();
            }
            printed += batch.size();
            after = reply.value(3).toString();
        }
        tablocal.commit();
        nimbo::ReportEngine engine(QStringLiteral(NIMBO_TEMPLATES));
        nimbo::ReportRequest req;
        req.templateName = QStringLiteral("RegistroGenerale.rpt");
        req.title = QStringLiteral("Registro Generale del Protocollo");
        const int part = int(bench::envNumber("NIMBO_BENCH_PART", 400));
        if (!engine.printInParts(req, tablocal, nimbo::ReportTarget::pdf(dir.filePath(QStringLiteral("registro.pdf"))),
                                 part)) {
            state.SkipWithError(qPrintable(engine.lastErrorText()));
            break;
        }
    }
    state.counters["protocols"] = double(printed);
    state.counters["pdf_mb"] = double(QFileInfo(dir.filePath(QStringLiteral("registro.pdf"))).size()) / 1048576.0;
    state.counters["rss_before_mb"] = before;
    state.counters["peak_rss_mb"] = peakRssMb();
    Dialect::close(QStringLiteral("annual_local"));
}

} // namespace

BENCHMARK_CAPTURE(DailyRegister, sqlite, Dialect::Engine::SQLite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(DailyRegister, postgres, Dialect::Engine::PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(GeneralRegister)->Unit(benchmark::kSecond)->Iterations(1);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
