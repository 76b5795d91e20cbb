// The e-mail server on both engines, without mail servers: what it refuses
// before anything is kept, the body without a mail server, and a message
// the SMTP server cannot take, which stays kept and is sent again once.

#include <QSqlQuery>
#include <QTcpServer>
#include <gtest/gtest.h>

#include "data/Cipher.h"
#include "servers/MailServer.h"
#include "session/DicAmbiente.h"
#include "support/ImageFixture.h"

namespace {

using namespace nimbo;

class MailServerTest : public test::ImageTest {
protected:
    void SetUp() override
    {
        ImageTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const QString key = db().folder() + QStringLiteral("/nimbo.key");
        ASSERT_TRUE(Cipher::createKey(key));
        DicAmbiente::session().cfg.keyFile = key;
        number = registerProtocol(QStringLiteral("E"), QStringLiteral("Domanda di ferie"));
        ASSERT_EQ(number.size(), 11);
        server = std::make_unique<MailServer>(db().centralTarget());
    }
    void TearDown() override
    {
        server.reset();
        EngineTest::TearDown();
    }
    QString scalar(const QString &sql)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(sql) && q.next()) << sql.toStdString();
        return q.value(0).toString();
    }
    // The body's SMTP server: a port on the loopback where nobody listens.
    void smtpNowhere()
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_Enti SET Ente_PostaElettronica = 'protocollo@asl1.test', "
                                          "Ente_Posta_SMTP = '127.0.0.1', Ente_Posta_PortaServer = '%1', "
                                          "Ente_Posta_Sicurezza = 'STARTTLS' WHERE Ente_Codice = 'ASL1'")
                               .arg(port)));
    }
    QVariantList call(short op, QVariantList request) { return server->Elabora(op, request); }

    QString number;
    std::unique_ptr<MailServer> server;
};

TEST_P(MailServerTest, RefusedBeforeAnythingIsKeptAndNotConfiguredSaysSo)
{
    const QString subject = QStringLiteral("Notifica Ricezione documento prot. N. 2026-0000001");
    auto notice = [&](const QStringList &to, const QString &subj, const QString &text, const QString &num) {
        return call(kOpNotificaProtocollo, mailreq::noticeRequest(kEnte, num, to, subj, text, QStringLiteral("OP01")));
    };
    // Checked before the settings are looked at: nothing typed can add a
    // recipient or a header line.
    QVariantList r = notice({}, subject, QStringLiteral("testo"), number);
    EXPECT_EQ(r.value(0).toString(), kStatusRefused);
    EXPECT_EQ(r.value(1).toString(), QStringLiteral("selezionare l'indirizzo e-mail di almeno un destinatario a cui "
                                                    "notificare l'avvenuta protocollazione"));
    r = notice({QStringLiteral("a@x.it\r\nBcc: spia@y.it")}, subject, QStringLiteral("testo"), number);
    EXPECT_EQ(r.value(0).toString(), kStatusRefused);
    r = notice({QStringLiteral("a@x.it")}, subject + QStringLiteral("\r\nBcc: spia@y.it"), QStringLiteral("t"), number);
    EXPECT_EQ(r.value(0).toString(), kStatusRefused);
    r = notice({QStringLiteral("a@x.it")}, subject, QStringLiteral("  \r\n "), number);
    EXPECT_EQ(r.value(1).toString(), QStringLiteral("il corpo della mail non può essere vuoto."));
    r = notice({QStringLiteral("a@x.it")}, subject, QStringLiteral("t"), QStringLiteral("2026000"));
    EXPECT_EQ(r.value(0).toString(), kStatusRefused);
    r = call(kOpInviaEmail, mailreq::mailRequest(kEnte, QStringLiteral("SPAM"), {}, QStringLiteral("a@x.it"),
                                                 QStringLiteral("o"), QStringLiteral("t"), QStringLiteral("OP01")));
    EXPECT_EQ(r.value(0).toString(), kStatusRefused);

    // A body without an SMTP server: the operator is told, nothing is kept.
    r = notice({QStringLiteral("a@x.it")}, subject, QStringLiteral("testo"), number);
    EXPECT_EQ(r.value(0).toString(), kStatusNotConfigured);
    EXPECT_EQ(r.value(1).toString(), mailreq::kNotConfigured);
    r = call(kOpLeggiCasella, mailreq::mailboxRequest(kEnte, QStringLiteral("OP01")));
    EXPECT_EQ(r.value(0).toString(), kStatusNotConfigured);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_PostaInviata")), QStringLiteral("0"));

    // A protocol of another body, or none, is not noticed.
    smtpNowhere();
    r = notice({QStringLiteral("a@x.it")}, subject, QStringLiteral("testo"), QStringLiteral("20269999999"));
    EXPECT_EQ(r.value(0).toString(), kStatusRefused);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_PostaInviata")), QStringLiteral("0"));
}

TEST_P(MailServerTest, MessageTheServerCannotTakeIsKeptAndSentAgainByOneResendOnly)
{
    smtpNowhere();
    QVariantList r = call(kOpInviaEmail, mailreq::mailRequest(kEnte, mailreq::kReceipt, number,
                                                              QStringLiteral("mittente@esterno.test"),
                                                              QStringLiteral("Ricevuta di Email protocollata"),
                                                              QStringLiteral("Invio ricevuta"), QStringLiteral("OP01")));
    ASSERT_EQ(r.value(0).toString(), kStatusKeptForRetry) << r.value(1).toString().toStdString();
    EXPECT_FALSE(r.value(1).toString().isEmpty());
    const qlonglong id = r.value(2).toLongLong();
    ASSERT_GT(id, 0);
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_Stato, Tab_Tentativi, Tab_Mittente, Tab_Destinatari, Tab_NumeroProtocollo, "
                                      "Tab_Tipo, Tab_Errore, Tab_Messaggio, Tab_MessageId FROM Tab_PostaInviata")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("E"));
    EXPECT_EQ(q.value(1).toInt(), 1);
    EXPECT_EQ(q.value(2).toString(), QStringLiteral("protocollo@asl1.test"));
    EXPECT_EQ(q.value(3).toString(), QStringLiteral("mittente@esterno.test"));
    EXPECT_EQ(q.value(4).toString(), number);
    EXPECT_EQ(q.value(5).toString(), mailreq::kReceipt);
    EXPECT_FALSE(q.value(6).toString().isEmpty());
    const QByteArray raw = q.value(7).toByteArray();
    EXPECT_TRUE(raw.contains("Subject: Ricevuta di Email protocollata")) << raw.left(400).toStdString();
    EXPECT_TRUE(raw.contains(q.value(8).toString().toUtf8()));
    EXPECT_FALSE(q.next());
    q.finish();

    // Sending again fails again: counted, still kept. Asking for a row of
    // another body sends nothing.
    r = call(kOpReinviaEmail, mailreq::resendRequest(QStringLiteral("ALTRO"), id));
    EXPECT_NE(r.value(0).toString(), QStringLiteral("0"));
    r = call(kOpReinviaEmail, mailreq::resendRequest(kEnte, id));
    ASSERT_EQ(r.value(0).toString(), QStringLiteral("0")) << r.value(1).toString().toStdString();
    EXPECT_EQ(r.value(2).toInt(), 0);
    EXPECT_EQ(r.value(3).toInt(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Tentativi FROM Tab_PostaInviata")), QStringLiteral("2"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Stato FROM Tab_PostaInviata")), QStringLiteral("E"));

    // A message being sent (still "P", recent) is not taken by a resend.
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_PostaInviata SET Tab_Stato = 'P'")));
    r = call(kOpReinviaEmail, mailreq::resendRequest(kEnte));
    EXPECT_EQ(r.value(2).toInt() + r.value(3).toInt(), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Tentativi FROM Tab_PostaInviata")), QStringLiteral("2"));
}

NIMBO_INSTANTIATE_ENGINES(MailServerTest);

} // namespace
