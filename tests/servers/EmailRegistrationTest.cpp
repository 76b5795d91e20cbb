// A provisional e-mail registered in the general register (operation 54) on
// both engines: the protocol, the provisional row and the message's
// attachments change together or not at all; a registered, discarded or
// unknown e-mail is refused; and processes registering the same e-mail at
// once give exactly one protocol.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>
#include <memory>

#include "servers/MailRequests.h"
#include "support/RegisterTest.h"
#include "support/SqlRows.h"

namespace {

using namespace nimbo;

const QString kEnte = QStringLiteral("ASL1");

class EmailRegistrationTest : public test::RegisterTest {
protected:
    void SetUp() override
    {
        RegisterTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        for (int n : {7, 8, 9})
            provisional(n, n == 9 ? "C" : "A");
        // Two files of e-mail 7, one of e-mail 8, and one of another body's 7.
        attachment(kEnte, 7, "domanda.pdf");
        attachment(kEnte, 7, "allegato.txt");
        attachment(kEnte, 8, "altro.pdf");
        attachment(QStringLiteral("ASL2"), 7, "estraneo.pdf");
        ASSERT_TRUE(test::closeProtocolAdmissions(db().central()));
        server = std::make_unique<ProtocolServer>(db().centralTarget());
    }
    void TearDown() override
    {
        server.reset();
        EngineTest::TearDown();
    }
    void sql(const QString &statement, const QVariantList &binds = {}) { test::runSql(db().central(), statement, binds); }
    QStringList rows(const QString &statement) { return test::sqlRows(db().central(), statement); }
    void provisional(int n, const char *state)
    {
        sql(QStringLiteral("INSERT INTO Tab_ProtocEmailProvvis (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocolloProvv, "
                           "Tab_Oggetto, Tab_StatoProtocollo, Tab_email) VALUES (?, 'E', ?, ?, ?, ?)"),
            {kEnte, n, QStringLiteral("Domanda %1").arg(n), QString::fromLatin1(state), QByteArray("Subject: x\r\n\r\nx")});
    }
    void attachment(const QString &ente, int n, const char *name)
    {
        sql(QStringLiteral("INSERT INTO Tab_allegati (Cod_Ente, num_ProtocolloProvvisorio, Nome_allegato, allegato) "
                           "VALUES (?, ?, ?, ?)"),
            {ente, QString::number(n), QString::fromLatin1(name), QByteArray("dati")});
    }
    QVariantList registerEmail(qlonglong n, ColumnValues columns = {})
    {
        if (columns.isEmpty())
            columns = test::newProtocolColumns(kEnte, QStringLiteral("E"), QStringLiteral("Domanda"));
        QVariantList request = mailreq::registerEmailRequest(
            registrationRequest(QStringLiteral("A"), protocolCondition(kEnte, QStringLiteral("E"), QString()), columns,
                                QStringLiteral("OP01")),
            n);
        return server->Elabora(kOpProtocollaEmail, request);
    }
    static QString refusal(const QVariantList &reply)
    {
        return reply.value(0).toString() == kStatusRefused ? reply.value(1).toString() : QStringLiteral("<not refused>");
    }
    QString general(int n)
    {
        return rows(QStringLiteral("SELECT COALESCE(Tab_ProtocolloGenerale, '-') FROM Tab_ProtocEmailProvvis WHERE "
                                   "Tab_NumeroProtocolloProvv = %1")
                        .arg(n))
            .value(0);
    }
    QStringList attachments()
    {
        return rows(QStringLiteral("SELECT Cod_Ente, num_ProtocolloProvvisorio, Nome_allegato, "
                                   "COALESCE(num_ProtocolloGenerale, '-') FROM Tab_allegati ORDER BY Id_allegato"));
    }
    std::unique_ptr<ProtocolServer> server;
};

TEST_P(EmailRegistrationTest, RegistersOnceWithItsAttachmentsAndRefusesWhatIsNotPending)
{
    const QString year = QString::number(QDate::currentDate().year());
    const QString first = year + QStringLiteral("0000001");

    // A registration the register refuses leaves the e-mail pending, its
    // files where they were and no number used.
    ColumnValues unknown = test::newProtocolColumns(kEnte, QStringLiteral("E"), QStringLiteral("Domanda"));
    for (auto &[name, value] : unknown)
        if (name == QLatin1String("Tab_Intestatario"))
            value = 999;
    EXPECT_TRUE(refusal(registerEmail(7, unknown)).contains(QStringLiteral("Tab_Intestatario")));
    EXPECT_EQ(general(7), QStringLiteral("-"));
    EXPECT_EQ(rows(QStringLiteral("SELECT Tab_NumeroProtocollo FROM Tab_Protocollo")), QStringList());

    const QVariantList reply = registerEmail(7);
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    EXPECT_EQ(reply.value(2).toString(), first);
    EXPECT_EQ(reply.value(3).toDate(), QDate::currentDate());
    EXPECT_EQ(rows(QStringLiteral("SELECT Tab_NumeroProtocollo, Tab_ProtocolloTemporaneo, Tab_RegistroTemporaneo, "
                                  "Tab_CodiceOpeReg FROM Tab_Protocollo")),
              QStringList{first + QStringLiteral("|7||OP01")});
    EXPECT_EQ(rows(QStringLiteral("SELECT Tab_NumeroProtocolloProvv, COALESCE(Tab_ProtocolloGenerale, '-'), "
                                  "Tab_StatoProtocollo, COALESCE(Tab_CodOper, '-') FROM Tab_ProtocEmailProvvis ORDER BY 1")),
              (QStringList{QStringLiteral("7|") + first + QStringLiteral("|A|OP01"), QStringLiteral("8|-|A|-"),
                           QStringLiteral("9|-|C|-")}));
    // Only that e-mail's files of that body become the protocol's.
    EXPECT_EQ(attachments(), (QStringList{QStringLiteral("ASL1|7|domanda.pdf|") + first,
                                          QStringLiteral("ASL1|7|allegato.txt|") + first,
                                          QStringLiteral("ASL1|8|altro.pdf|-"), QStringLiteral("ASL2|7|estraneo.pdf|-")}));

    // Once registered it is refused, whatever the request; so are a
    // discarded one and one that does not exist, and nothing is written.
    EXPECT_EQ(refusal(registerEmail(7)), mailreq::kAlreadyRegistered);
    EXPECT_EQ(refusal(registerEmail(9)), QStringLiteral("L'e-mail provvisoria N. 9 è stata cancellata e non può essere protocollata."));
    EXPECT_EQ(refusal(registerEmail(40)), QStringLiteral("L'e-mail provvisoria N. 40 non è presente in archivio."));
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")), QStringList{QStringLiteral("1")});

    // The next e-mail takes the next number.
    EXPECT_EQ(registerEmail(8).value(2).toString(), year + QStringLiteral("0000002"));
    EXPECT_EQ(general(8), year + QStringLiteral("0000002"));
}

TEST_P(EmailRegistrationTest, RefusesARequestThatNamesAnotherOrigin)
{
    EXPECT_TRUE(refusal(registerEmail(0)).contains(QStringLiteral("Tab_NumeroProtocolloProvv")));
    ColumnValues emergency = test::newProtocolColumns(kEnte, QStringLiteral("E"), QStringLiteral("Domanda"));
    for (auto &[name, value] : emergency)
        if (name == QLatin1String("Tab_RegistroTemporaneo"))
            value = QStringLiteral("2026TABCD001");
        else if (name == QLatin1String("Tab_ProtocolloTemporaneo"))
            value = QStringLiteral("7");
    EXPECT_TRUE(refusal(registerEmail(7, emergency)).contains(QStringLiteral("Tab_RegistroTemporaneo")));
    ColumnValues other = test::newProtocolColumns(kEnte, QStringLiteral("E"), QStringLiteral("Domanda"));
    for (auto &[name, value] : other)
        if (name == QLatin1String("Tab_ProtocolloTemporaneo"))
            value = QStringLiteral("8");
    EXPECT_TRUE(refusal(registerEmail(7, other)).contains(QStringLiteral("Tab_ProtocolloTemporaneo")));
    QVariantList shortRequest{QStringLiteral("A")};
    EXPECT_EQ(server->Elabora(kOpProtocollaEmail, shortRequest).value(0).toString(), kStatusRefused);
    EXPECT_EQ(general(7), QStringLiteral("-"));
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")), QStringList{QStringLiteral("0")});
}

TEST_P(EmailRegistrationTest, ClerksRegisteringTheSameEmailAtOnceGiveOneProtocol)
{
    constexpr int kWorkers = 4;
    const QString start = QDir(db().folder()).filePath(QStringLiteral("via"));
    std::vector<std::unique_ptr<QProcess>> ps;
    for (int round = 0; round < 2; ++round) {
        const QString n = QString::number(7 + round);
        ps.clear();
        QFile::remove(start);
        for (int w = 0; w < kWorkers; ++w) {
            auto p = std::make_unique<QProcess>();
            p->start(QStringLiteral(NIMBO_EMAIL_WORKER),
                     {db().engine() == Dialect::Engine::PostgreSQL ? QStringLiteral("pg") : QStringLiteral("sqlite"),
                      db().centralTarget().location, kEnte, n, start});
            ASSERT_TRUE(p->waitForStarted());
            ps.push_back(std::move(p));
        }
        QFile go(start);
        ASSERT_TRUE(go.open(QIODevice::WriteOnly));
        go.close();
        QStringList said;
        for (auto &p : ps) {
            ASSERT_TRUE(p->waitForFinished(120000));
            EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
            said << QString::fromUtf8(p->readAllStandardOutput()).trimmed();
        }
        said.sort();
        const QString number = rows(QStringLiteral("SELECT Tab_NumeroProtocollo FROM Tab_Protocollo WHERE "
                                                   "Tab_ProtocolloTemporaneo = '%1'")
                                        .arg(n))
                                   .join(QLatin1Char(','));
        ASSERT_EQ(number.size(), 11) << number.toStdString();
        QStringList expected{QStringLiteral("0|") + number};
        for (int w = 1; w < kWorkers; ++w)
            expected << QStringLiteral("991|") + mailreq::kAlreadyRegistered;
        EXPECT_EQ(said, expected);
        EXPECT_EQ(general(n.toInt()), number);
    }
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")), QStringList{QStringLiteral("2")});
}

NIMBO_INSTANTIATE_ENGINES(EmailRegistrationTest);

} // namespace
