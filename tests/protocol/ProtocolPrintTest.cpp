// Label, receipt and stamp of a registered protocol, printed for real: the
// label device is a file, the report outputs are PDF files read back with
// pdftotext, the stamping printer is the far end of a pseudo-terminal.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include "protocol/ProtocolPrint.h"
#include "schema/Schema.h"
#include "support/Files.h"
#include "support/TestDb.h"

using namespace nimbo;
using namespace nimbo::protocol;
using nimbo::test::pdfText;
using nimbo::test::shippedTemplates;

namespace {

QString run(const QString &tool, const QStringList &args)
{
    QProcess p;
    p.start(tool, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

class ProtocolPrintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        local = open(QStringLiteral("local"), dir.filePath(QStringLiteral("local.db")));
        QString err;
        ASSERT_TRUE(Schema::createOrUpgrade(local, Schema::Kind::Local, &err)) << err.toStdString();

        facts.direction = QStringLiteral("E");
        facts.number = QStringLiteral("20240000123");
        facts.date = QDate(2024, 3, 5);
        facts.departmentCode = QStringLiteral("D01");
        facts.departmentName = QStringLiteral("Amministrativo");
        facts.officeCode = QStringLiteral("U05");
        facts.officeName = QStringLiteral("Prot. \"A\"");
        facts.correspondent = QStringLiteral("Comune di Sant'Anna");
        facts.subject = QStringLiteral("Richiesta d'accesso agli atti");

        settings.labelPrinter = QStringLiteral("ZEBRA");
        settings.port = dir.filePath(QStringLiteral("lpt"));
        settings.ausl = QStringLiteral(" Azienda USL di Prova ");
        settings.reportFolder = shippedTemplates();
    }
    void TearDown() override
    {
        local = {};
        for (const QString &name : std::as_const(opened)) {
            QSqlDatabase::database(name, false).close();
            QSqlDatabase::removeDatabase(name);
        }
    }
    QSqlDatabase open(const QString &name, const QString &path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
        opened << name;
        return db;
    }
    QVector<QStringList> reportRows()
    {
        QVector<QStringList> rows;
        QVector<ReportRow> read;
        EXPECT_TRUE(ReportEngine::readRows(local, read));
        for (const ReportRow &r : read) {
            QStringList used = r;
            while (!used.isEmpty() && used.last().isEmpty())
                used.removeLast();
            rows << used;
        }
        return rows;
    }

    QTemporaryDir dir;
    QSqlDatabase local;
    QStringList opened;
    ProtocolFacts facts;
    PrintSettings settings;
};

TEST_F(ProtocolPrintTest, RawLabelGoesToTheDeviceLineByLineAndLeavesTheReportTableAlone)
{
    ASSERT_TRUE(replaceReportRows(local, {{QStringLiteral("precedente")}}));

    const PrintOutcome out = printLabel(facts, settings, local);
    EXPECT_TRUE(out.sent);
    EXPECT_FALSE(out.failed()) << out.message.toStdString();
    QFile device(settings.port);
    ASSERT_TRUE(device.open(QIODevice::ReadOnly));
    EXPECT_EQ(device.readAll(), QByteArray("ZB\r\n"
                                           "JB\r\n"
                                           "N\r\n"
                                           "D10\r\n"
                                           "X24,16,4,448,248\r\n"
                                           "X24,16,4,448,248\r\n"
                                           "X24,16,4,448,248\r\n"
                                           "A40,44,0,4,1,1,N, \"SERVIZIO SANITARIO REGIONALE\"\r\n"
                                           "A40,80,0,4,1,1,N, \"AZIENDA USL DI PROVA\"\r\n"
                                           "A40,44,0,4,1,1,N, \"N. PROT.\"\r\n"
                                           "A40,44,0,4,1,1,N, \"Data di Registrazione\"\r\n"
                                           "A40,44,0,4,1,1,N, \"2024-0000123\"\r\n"
                                           "A40,78,0,4,1,1,N, \"05-03-2024\"\r\n"
                                           "A40,128,0,4,1,1,N, \"Dipartimento: Amministrativo\"\r\n"
                                           "A40,168,0,4,1,1,N, \"Ufficio: Prot. \\\"A\\\"\"\r\n"
                                           "P1\r\n"));
    EXPECT_EQ(reportRows(), (QVector<QStringList>{{QStringLiteral("precedente")}}));

    // Bodies with code "104" call their offices operative units; long names
    // are cut inside the frame.
    settings.bodyCode = QStringLiteral("104");
    facts.departmentName = QStringLiteral("Dipartimento di Prevenzione e Sanita Pubblica");
    const QStringList lines = labelLines(facts, settings);
    ASSERT_EQ(lines.size(), 16);
    EXPECT_EQ(lines.at(13), QStringLiteral("A40,128,0,4,1,1,N, \"Dipartimento: Dipartimento di\""));
    EXPECT_TRUE(lines.at(14).startsWith(QStringLiteral("A40,168,0,4,1,1,N, \"U. Operativa: ")));
}

TEST_F(ProtocolPrintTest, RawLabelFailuresAndUnregisteredProtocolsPrintNothing)
{
    settings.port = dir.filePath(QStringLiteral("manca/lpt"));
    PrintOutcome out = printLabel(facts, settings, local);
    EXPECT_FALSE(out.sent);
    EXPECT_EQ(out.message, QStringLiteral("Errore nella stampa dell'etichetta. RC: 1 - Errore nella apertura della Stampante"));

    // A printer routine's own code and text come back unchanged.
    out = printLabel(facts, settings, local, ReportTarget::pdf({}),
                     [](const QString &, const QStringList &) { return QVariantList{53, QStringLiteral("Porta occupata")}; });
    EXPECT_EQ(out.message, QStringLiteral("Errore nella stampa dell'etichetta. RC: 53 - Porta occupata"));

    settings.port = dir.filePath(QStringLiteral("lpt"));
    facts.number.clear();
    out = printLabel(facts, settings, local);
    EXPECT_FALSE(out.sent);
    EXPECT_FALSE(out.failed());
    EXPECT_FALSE(QFile::exists(settings.port));
    settings.labelPrinter = QStringLiteral("DYMO");
    const QString pdf = dir.filePath(QStringLiteral("etichetta.pdf"));
    out = printLabel(facts, settings, local, ReportTarget::pdf(pdf));
    EXPECT_FALSE(out.sent);
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_TRUE(reportRows().isEmpty());
}

TEST_F(ProtocolPrintTest, DymoLabelWritesTheLabelRowAndPrintsTheLabelTemplate)
{
    settings.labelPrinter = QStringLiteral("DYMO");
    settings.port = dir.filePath(QStringLiteral("lpt"));
    const QString pdf = dir.filePath(QStringLiteral("etichetta.pdf"));

    const PrintOutcome out = printLabel(facts, settings, local, ReportTarget::pdf(pdf));
    ASSERT_FALSE(out.failed()) << out.message.toStdString();
    EXPECT_TRUE(out.sent);
    EXPECT_FALSE(QFile::exists(settings.port));
    EXPECT_EQ(reportRows(), (QVector<QStringList>{{QStringLiteral("Azienda USL di Prova"), QStringLiteral("2024-0000123"),
                                                   QStringLiteral("03-05-2024"), QStringLiteral("D01-Amministrativo"),
                                                   QStringLiteral("U05-Prot. \"A\"")}}));
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Azienda USL di Prova"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("2024-0000123")));
    EXPECT_TRUE(text.contains(QStringLiteral("05/03/2024")));
    EXPECT_TRUE(text.contains(QStringLiteral("D01-Amministrativo")));
    EXPECT_TRUE(text.contains(QStringLiteral("U05-Prot. \"A\"")));
    // The label's own page, not a sheet of paper.
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+252(\\.\\d+)? x 102")))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))));

    // The engine's own text when it cannot print.
    settings.reportFolder = dir.filePath(QStringLiteral("vuota"));
    EXPECT_EQ(printLabel(facts, settings, local, ReportTarget::pdf(pdf)).message,
              QStringLiteral("Modello di stampa non trovato: ") + settings.reportFolder + QStringLiteral("/EtichettaProtocollo.rpt"));

    // A work database without its report table.
    const QSqlDatabase bare = open(QStringLiteral("bare"), dir.filePath(QStringLiteral("bare.db")));
    EXPECT_EQ(printLabel(facts, settings, bare, ReportTarget::pdf(pdf)).message,
              QStringLiteral("ATTENZIONE ! Errore in Stampa Etichetta Protocollo "));
}

TEST_F(ProtocolPrintTest, ReceiptOfAnIncomingProtocolShowsNumberSubjectAndCorrespondent)
{
    const ReceiptFacts who{QStringLiteral("OP7"), QStringLiteral("Rossi Maria"), QStringLiteral("Cagliari")};
    const QString pdf = dir.filePath(QStringLiteral("ricevuta.pdf"));

    const PrintOutcome out = printReceipt(facts, who, settings, local, ReportTarget::pdf(pdf));
    ASSERT_FALSE(out.failed()) << out.message.toStdString();
    EXPECT_TRUE(out.sent);
    const QVector<QStringList> rows = reportRows();
    ASSERT_EQ(rows.size(), 1);
    ASSERT_EQ(rows.first().size(), 20);
    EXPECT_EQ(rows.first().mid(0, 8),
              (QStringList{QStringLiteral("03/05/2024"), QStringLiteral("2024-0000123"), QStringLiteral("Comune di Sant'Anna"),
                           QStringLiteral("Richiesta d'accesso agli atti"), QStringLiteral("OP7 - Rossi Maria"),
                           QStringLiteral("Amministrativo"), QStringLiteral("Prot. \"A\""), QStringLiteral("Cagliari")}));
    EXPECT_EQ(rows.first().at(19), QStringLiteral("Azienda USL di Prova"));

    const QString text = pdfText(pdf);
    for (const QString &shown : {QStringLiteral("RICEVUTA DI PROTOCOLLAZIONE"), QStringLiteral("2024-0000123"),
                                 QStringLiteral("Richiesta d'accesso agli atti"), QStringLiteral("Comune di Sant'Anna"),
                                 QStringLiteral("Cagliari, 05/03/2024"), QStringLiteral("OP7 - Rossi Maria"),
                                 QStringLiteral("è stato registrato")})
        EXPECT_TRUE(text.contains(shown)) << shown.toStdString() << " in " << text.toStdString();
    EXPECT_TRUE(run(QStringLiteral("pdfinfo"), {pdf}).contains(QStringLiteral("(A4)")));

    // Without the town the date stands alone.
    ASSERT_FALSE(printReceipt(facts, {QStringLiteral("OP7"), QStringLiteral("Rossi Maria"), {}}, settings, local,
                              ReportTarget::pdf(pdf)).failed());
    EXPECT_FALSE(pdfText(pdf).contains(QStringLiteral(", 05/03/2024")));

    // Outgoing protocols have no receipt.
    EXPECT_FALSE(receiptOffered(QStringLiteral("U")));
    EXPECT_TRUE(receiptOffered(QStringLiteral("E")));
    facts.direction = QStringLiteral("U");
    QFile::remove(pdf);
    const PrintOutcome outgoing = printReceipt(facts, who, settings, local, ReportTarget::pdf(pdf));
    EXPECT_FALSE(outgoing.sent);
    EXPECT_FALSE(outgoing.failed());
    EXPECT_FALSE(QFile::exists(pdf));

    facts.direction = QStringLiteral("E");
    const QSqlDatabase bare = open(QStringLiteral("bare"), dir.filePath(QStringLiteral("bare.db")));
    EXPECT_EQ(printReceipt(facts, who, settings, bare, ReportTarget::pdf(pdf)).message,
              QStringLiteral("ATTENZIONE ! Errore in Stampa Ricevuta Protocollazione "));
}

TEST_F(ProtocolPrintTest, StampCarriesTheProgressiveWithoutTheYearToTheSerialPrinter)
{
    const QString expected = QStringLiteral("AZIENDA USL DI PROVA - PROTOCOLLO N. 0000123 DEL 05/03/2024\r");
    EXPECT_EQ(stampText(facts, settings), expected);
    facts.number = QStringLiteral("2024-0000123"); // as shown in the window
    EXPECT_EQ(stampText(facts, settings), expected);

    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    settings.port = QString::fromLatin1(name);
    const PrintOutcome out = printStamp(facts, settings);
    EXPECT_TRUE(out.sent);
    EXPECT_FALSE(out.failed()) << out.message.toStdString();
    QByteArray got;
    pollfd pfd{master, POLLIN, 0};
    while (got.size() < expected.size() && poll(&pfd, 1, 2000) > 0) {
        char buf[256];
        const ssize_t n = read(master, buf, sizeof buf);
        if (n <= 0)
            break;
        got.append(buf, n);
    }
    EXPECT_EQ(got, expected.toLatin1());

    facts.number.clear();
    const PrintOutcome none = printStamp(facts, settings);
    EXPECT_FALSE(none.sent);
    EXPECT_FALSE(none.failed());
    pfd.revents = 0;
    EXPECT_EQ(poll(&pfd, 1, 100), 0);
    close(slave);
    close(master);

    facts.number = QStringLiteral("20240000123");
    settings.port = dir.filePath(QStringLiteral("nessuna-porta"));
    EXPECT_TRUE(printStamp(facts, settings).message.startsWith(QStringLiteral("Impossibile aprire la porta seriale ")));
}

TEST_F(ProtocolPrintTest, LookupQueriesFindTheRegisteringOfficeAndItsTown)
{
    QSqlDatabase central = open(QStringLiteral("central"), dir.filePath(QStringLiteral("central.db")));
    QString err;
    ASSERT_TRUE(Schema::createOrUpgrade(central, Schema::Kind::Central, &err)) << err.toStdString();
    ASSERT_TRUE(nimbo::test::admitProtocolRows(central, &err)) << err.toStdString();
    QSqlQuery q(central);
    for (const char *sql : {
             "INSERT INTO Tab_Comuni (Com_Codcom, Com_Comune) VALUES ('B354', 'Cagliari')",
             "INSERT INTO Tab_Dipartimenti (Dipa_CodiceEnte, Dipa_CodDipartimento, Dipa_Denominazione) VALUES ('E1', 'D01', 'Amministrativo')",
             "INSERT INTO Tab_Dipartimenti (Dipa_CodiceEnte, Dipa_CodDipartimento, Dipa_Denominazione) VALUES ('E2', 'D01', 'Altro ente')",
             "INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione, Tab_Comune) VALUES ('E1', 'D01', 'U''05', 'Protocollo', 'B354')",
             "INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione, Tab_Comune) VALUES ('E1', 'D01', 'U06', 'Archivio', NULL)",
             "INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione) VALUES ('E2', 'D01', 'U''05', 'Altro')",
             "INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_SedeRicezione, Tab_UfficioRegistrazione) VALUES ('E1', 'E', '20240000123', 'D01', 'U''05')",
             "INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_SedeRicezione, Tab_UfficioRegistrazione) VALUES ('E1', 'U', '20240000124', 'D01', 'U06')",
             "INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_SedeRicezione, Tab_UfficioRegistrazione) VALUES ('E2', 'E', '20240000123', 'D01', 'U''05')",
         })
        ASSERT_TRUE(q.exec(QString::fromLatin1(sql))) << sql << " " << q.lastError().text().toStdString();

    auto rows = [&](const QString &sql) {
        QStringList out;
        EXPECT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
        while (q.next()) {
            QStringList r;
            for (int i = 0; i < q.record().count(); ++i)
                r << q.value(i).toString();
            out << r.join(QLatin1Char('|'));
        }
        return out;
    };
    EXPECT_EQ(rows(labelOfficeQuery(QStringLiteral("E1"), QStringLiteral("E"), QStringLiteral("2024-0000123"))),
              QStringList{QStringLiteral("D01|U'05|Amministrativo|Protocollo")});
    EXPECT_EQ(rows(labelOfficeQuery(QStringLiteral("E1"), QStringLiteral("U"), QStringLiteral("20240000124"))),
              QStringList{QStringLiteral("D01|U06|Amministrativo|Archivio")});
    EXPECT_TRUE(rows(labelOfficeQuery(QStringLiteral("E1"), QStringLiteral("E"), QStringLiteral("20240000999"))).isEmpty());

    EXPECT_EQ(rows(receiptTownQuery(QStringLiteral("E1"), QStringLiteral("D01"), QStringLiteral("U'05"))),
              QStringList{QStringLiteral("Cagliari")});
    EXPECT_TRUE(rows(receiptTownQuery(QStringLiteral("E1"), QStringLiteral("D01"), QStringLiteral("U06"))).isEmpty());
}

} // namespace
