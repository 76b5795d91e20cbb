// The e-mail server reading a real mailbox (Dovecot and Postfix on the
// loopback, see scripts/start-mail.sh): each message stored once as a
// provisional e-mail protocol with its attachments, certified mail
// registered from the original it carries, receipts recorded against the
// message they answer; nothing lost or doubled when the reader stops after
// a commit, is killed anywhere, or loses the IMAP server in the middle.

#include <QCryptographicHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTcpServer>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

#include "data/Cipher.h"
#include "mail/InteropMessages.h"
#include "mail/MailTransport.h"
#include "mail/Segnatura.h"
#include "mail/MimeWriter.h"
#include "servers/MailServer.h"
#include "session/DicAmbiente.h"
#include "support/ImageFixture.h"
#include "schema/AdminRun.h"
#include "support/MailboxLease.h"

namespace {

using namespace nimbo;

class MailReceiverTest : public test::ImageTest {
protected:
    void SetUp() override
    {
        ImageTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        auto servers = test::testMailOrSkip();
        if (!servers)
            return;
        mail_ = *servers;
        lease_ = std::make_unique<test::MailboxLease>(mail_);
        ASSERT_TRUE(lease_->claim()) << "nessuna casella di prova libera";
        ASSERT_TRUE(lease_->empty()) << lease_->error().toStdString();
        key_ = db().folder() + QStringLiteral("/nimbo.key");
        ASSERT_TRUE(Cipher::createKey(key_));
        DicAmbiente::session().cfg.keyFile = key_;
        DicAmbiente::session().cfg.mailCa = mail_.ca;
        setMailbox(mail_.imapPort);
        server = std::make_unique<MailServer>(db().centralTarget());
    }
    void TearDown() override
    {
        server.reset();
        if (lease_)
            lease_->empty();
        lease_.reset();
        EngineTest::TearDown();
    }
    void setMailbox(int imapPort)
    {
        QSqlQuery q(db().central());
        q.prepare(QStringLiteral("UPDATE Tab_Enti SET Ente_PostaElettronica = ?, Ente_PWD_Posta = ?, Ente_Posta_POP = ?, "
                                 "Ente_Posta_PortaIMAP = ?, Ente_Posta_SicurezzaIMAP = 'SSL', Ente_Posta_SMTP = ?, "
                                 "Ente_Posta_PortaServer = ? WHERE "
                                 "Ente_Codice = 'ASL1'"));
        for (const QVariant &v : QVariantList{lease_->address(), Cipher::encipher(mail_.password).text, mail_.host,
                                              QString::number(imapPort), mail_.host, QString::number(mail_.smtpPort)})
            q.addBindValue(v);
        ASSERT_TRUE(q.exec());
    }
    QString scalar(const QString &sql)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(sql) && q.next()) << sql.toStdString();
        return q.value(0).toString();
    }
    QVariantList fetch()
    {
        QVariantList r = mailreq::mailboxRequest(kEnte, QStringLiteral("OP01"));
        return server->Elabora(kOpLeggiCasella, r);
    }
    // A message from the outside sender to the leased mailbox.
    QByteArray message(const QString &subject, const QString &text,
                       const QList<mail::MailAttachment> &attachments = {})
    {
        mail::OutgoingMail m;
        m.fromAddress = mail_.address(QStringLiteral("mittente"));
        m.fromName = QStringLiteral("Mario Rossi");
        m.to = {lease_->address()};
        m.subject = subject;
        m.text = text;
        m.attachments = attachments;
        QByteArray raw;
        QString id, why;
        EXPECT_TRUE(mail::composeMail(m, &raw, &id, &why)) << why.toStdString();
        return raw;
    }

    test::TestMail mail_;
    std::unique_ptr<test::MailboxLease> lease_;
    QString key_;
    std::unique_ptr<MailServer> server;
};

// A certified-mail envelope as a provider writes it: the provider's text,
// the certification data and the original message attached whole.
QByteArray certifiedEnvelope(const QString &to, const QString &kind, const QByteArray &original, const QString &refersTo)
{
    const QByteArray daticert =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<postacert tipo=\"%1\" errore=\"nessuno\">"
                       "<intestazione><mittente>comune@pec.example.it</mittente><destinatari tipo=\"certificato\">%2"
                       "</destinatari><risposte>comune@pec.example.it</risposte><oggetto>Delibera 12/2026</oggetto>"
                       "</intestazione><dati><gestore-emittente>Gestore di prova</gestore-emittente><data zona=\"+0100\">"
                       "<giorno>09/12/2026</giorno><ora>08:00:00</ora></data><identificativo>opec.1@pec.example.it"
                       "</identificativo><msgid>&lt;%3&gt;</msgid></dati></postacert>\n")
            .arg(kind, to, refersTo)
            .toUtf8();
    const bool isMessage = kind == QLatin1String("posta-certificata");
    QByteArray out = "From: \"Per conto di: comune@pec.example.it\" <posta-certificata@pec.example.it>\r\n"
                     "To: " + to.toUtf8() + "\r\n"
                     "Subject: " + QByteArray(isMessage ? "POSTA CERTIFICATA: Delibera 12/2026" : "CONSEGNA: Ricevuta")
                     + "\r\n"
                       "Date: Wed, 09 Dec 2026 08:00:00 +0100\r\n"
                       "Message-ID: <opec." + QByteArray::number(QRandomGenerator::global()->generate())
                     + "@pec.example.it>\r\n"
                       "X-Trasporto: posta-certificata\r\n"
                       "MIME-Version: 1.0\r\n"
                       "Content-Type: multipart/mixed; boundary=\"env\"\r\n\r\n"
                       "--env\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\nMessaggio di posta certificata\r\n"
                       "--env\r\nContent-Type: application/xml; name=\"daticert.xml\"\r\n"
                       "Content-Disposition: attachment; filename=\"daticert.xml\"\r\n\r\n"
                     + daticert + "\r\n";
    if (!original.isEmpty())
        out += "--env\r\nContent-Type: message/rfc822; name=\"postacert.eml\"\r\n"
               "Content-Disposition: attachment; filename=\"postacert.eml\"\r\n\r\n"
               + original + "\r\n";
    return out + "--env--\r\n";
}

TEST_P(MailReceiverTest, EachMessageStoredOnceWithAttachmentsCertifiedOnesFromTheirOriginal)
{
    if (!lease_)
        return;
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_Rubrica SET Tab_PostaElettronica = '%1' WHERE "
                                          "Tab_Identificativo = 12").arg(mail_.address(QStringLiteral("mittente")))));
        // A message we sent, that a delivery receipt will answer.
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO Tab_PostaInviata (Tab_Ente, Tab_NumeroProtocollo, Tab_Tipo, "
                                          "Tab_Stato, Tab_MessageId) VALUES ('ASL1', '20260000042', 'RICEVUTA', 'I', "
                                          "'ricevuta.1@asl1.test')")));
    }
    const QByteArray pdf = test::noise(50000, 7);
    ASSERT_TRUE(lease_->deliver(message(QStringLiteral("Richiesta d'accesso agli atti – urgente"),
                                        QStringLiteral("Buongiorno,\nsi chiede..."))));
    ASSERT_TRUE(lease_->deliver(message(QStringLiteral("Fattura"), QStringLiteral("in allegato"),
                                        {{QStringLiteral("fattura.pdf"), QStringLiteral("application/pdf"), pdf},
                                         {QStringLiteral("note.txt"), QStringLiteral("text/plain"), "nota"}})));
    mail::OutgoingMail original;
    original.fromAddress = QStringLiteral("comune@pec.example.it");
    original.to = {lease_->address()};
    original.subject = QStringLiteral("Delibera 12/2026");
    original.text = QStringLiteral("Si trasmette la delibera.");
    original.attachments = {{QStringLiteral("delibera.pdf"), QStringLiteral("application/pdf"), pdf}};
    QByteArray originalRaw;
    QString originalId, why;
    ASSERT_TRUE(mail::composeMail(original, &originalRaw, &originalId, &why)) << why.toStdString();
    ASSERT_TRUE(lease_->deliver(
        certifiedEnvelope(lease_->address(), QStringLiteral("posta-certificata"), originalRaw, originalId)));
    ASSERT_TRUE(lease_->deliver(
        certifiedEnvelope(lease_->address(), QStringLiteral("avvenuta-consegna"), {}, QStringLiteral("ricevuta.1@asl1.test"))));
    // A "receipt" of something we never sent is shown as an e-mail, not hidden.
    ASSERT_TRUE(lease_->deliver(
        certifiedEnvelope(lease_->address(), QStringLiteral("avvenuta-consegna"), {}, QStringLiteral("mai@inviato.test"))));
    ASSERT_TRUE(lease_->waitFor(5));

    QVariantList r = fetch();
    ASSERT_EQ(r.value(0).toString(), QStringLiteral("0")) << r.value(1).toString().toStdString();
    EXPECT_EQ(r.value(2).toInt(), 4);
    EXPECT_EQ(r.value(3).toInt(), 1);
    EXPECT_EQ(r.value(4).toInt(), 0);

    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral(
        "SELECT Tab_NumeroProtocolloProvv, Tab_Oggetto, Tab_Intestatario, Tab_IndirizzoMittente, Tab_Certificata, "
        "Tab_StatoProtocollo, Tab_ProtocolloGenerale, Tab_TipoProtocollo, Tab_email FROM Tab_ProtocEmailProvvis "
        "ORDER BY Tab_NumeroProtocolloProvv")));
    QStringList subjects;
    while (q.next()) {
        subjects << q.value(1).toString();
        EXPECT_EQ(q.value(0).toInt(), subjects.size());
        EXPECT_EQ(q.value(5).toString(), QStringLiteral("A"));
        EXPECT_TRUE(q.value(6).isNull());
        EXPECT_EQ(q.value(7).toString(), QStringLiteral("E"));
        if (q.value(4).toString() == QLatin1String("S")) {
            EXPECT_EQ(q.value(3).toString(), QStringLiteral("comune@pec.example.it"));
            EXPECT_TRUE(q.value(8).toByteArray().contains("daticert.xml")); // the envelope is kept whole
        } else if (!q.value(1).toString().startsWith(QLatin1String("CONSEGNA"))) {
            EXPECT_EQ(q.value(2).toInt(), 12); // the sender known in the address book
            EXPECT_EQ(q.value(3).toString(), mail_.address(QStringLiteral("mittente")));
        }
    }
    subjects.sort();
    EXPECT_EQ(subjects, (QStringList{QStringLiteral("CONSEGNA: Ricevuta"), QStringLiteral("Delibera 12/2026"),
                                     QStringLiteral("Fattura"),
                                     QStringLiteral("Richiesta d'accesso agli atti – urgente")}));
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT a.Nome_allegato, a.allegato, p.Tab_Oggetto FROM Tab_allegati a JOIN "
                                      "Tab_ProtocEmailProvvis p ON p.Tab_Ente = a.Cod_Ente AND "
                                      "CAST(p.Tab_NumeroProtocolloProvv AS TEXT) = a.num_ProtocolloProvvisorio "
                                      "WHERE a.num_ProtocolloGenerale IS NULL ORDER BY a.Nome_allegato")));
    QStringList names;
    while (q.next()) {
        names << q.value(0).toString() + QLatin1Char('/') + q.value(2).toString();
        if (q.value(0).toString().endsWith(QLatin1String(".pdf"))) {
            EXPECT_EQ(q.value(1).toByteArray(), pdf);
        }
    }
    // The receipt offered as an e-mail keeps what it carries.
    EXPECT_EQ(names, (QStringList{QStringLiteral("daticert.xml/CONSEGNA: Ricevuta"),
                                  QStringLiteral("delibera.pdf/Delibera 12/2026"), QStringLiteral("fattura.pdf/Fattura"),
                                  QStringLiteral("note.txt/Fattura")}));
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_Tipo, Tab_NumeroProtocollo, Id_Invio FROM Tab_RicevutePEC")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("avvenuta-consegna"));
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("20260000042"));
    EXPECT_FALSE(q.value(2).isNull());
    EXPECT_FALSE(q.next());
    q.finish();

    // Everything read is marked: a second read finds nothing new.
    r = fetch();
    ASSERT_EQ(r.value(0).toString(), QStringLiteral("0")) << r.value(1).toString().toStdString();
    EXPECT_EQ(r.value(2).toInt() + r.value(3).toInt() + r.value(4).toInt(), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ProtocEmailProvvis")), QStringLiteral("4"));
}

TEST_P(MailReceiverTest, ProtocolMessageFillsItsReferenceIsConfirmedABrokenOneIsAnswered)
{
    if (!lease_)
        return;
    auto &cfg = DicAmbiente::session().cfg;
    cfg.codiceIpa = QStringLiteral("asl1");
    cfg.codiceAoo = QStringLiteral("AOO1");
    cfg.codiceRegistro = QStringLiteral("PG");
    const QByteArray letter = "%PDF-1.4 lettera";
    mail::SegnaturaData d;
    d.id = {QStringLiteral("c_x123"), QStringLiteral("AOOC"), QStringLiteral("REG"),
            mail::segnaturaNumber(QStringLiteral("2026-0000042")), QDate(2026, 12, 1), {}};
    d.sender = {QStringLiteral("Comune di Città Alta"), QStringLiteral("c_x123"), QStringLiteral("AOOC"),
                mail_.address(QStringLiteral("mittente"))};
    mail::SegnaturaRecipient us;
    static_cast<mail::SegnaturaParty &>(us) = {QStringLiteral("ASL 1"), QStringLiteral("asl1"), QStringLiteral("AOO1"),
                                                lease_->address()};
    d.recipients = {us};
    d.subject = QStringLiteral("Trasmissione delibera");
    d.primary = {QStringLiteral("lettera.pdf"), QStringLiteral("application/pdf"), mail::sha256(letter),
                 QStringLiteral("SHA-256"), {}};
    QString why;
    const QByteArray segnatura = mail::buildSegnatura(d, &why);
    ASSERT_FALSE(segnatura.isEmpty()) << why.toStdString();
    ASSERT_TRUE(lease_->deliver(message(QStringLiteral("Protocollo 42"), QStringLiteral("testo"),
                                        {{QStringLiteral("Segnatura.xml"), QStringLiteral("application/xml"), segnatura},
                                         {QStringLiteral("lettera.pdf"), QStringLiteral("application/pdf"), letter}})));
    // The same, with a document that is not the one the Segnatura names.
    ASSERT_TRUE(lease_->deliver(message(QStringLiteral("Protocollo 43"), QStringLiteral("testo"),
                                        {{QStringLiteral("Segnatura.xml"), QStringLiteral("application/xml"), segnatura},
                                         {QStringLiteral("lettera.pdf"), QStringLiteral("application/pdf"), "altro"}})));
    ASSERT_TRUE(lease_->waitFor(2));
    QVariantList r = fetch();
    ASSERT_EQ(r.value(0).toString(), QStringLiteral("0")) << r.value(1).toString().toStdString();
    EXPECT_EQ(r.value(2).toInt(), 2);

    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_Oggetto, Tab_ProtDocArrivo, Tab_DataProtDocArrivo FROM "
                                      "Tab_ProtocEmailProvvis ORDER BY Tab_NumeroProtocolloProvv")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("Trasmissione delibera"));
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("0000042"));
    EXPECT_EQ(q.value(2).toString().left(10), QStringLiteral("2026-12-01"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("Protocollo 43")); // a plain e-mail
    EXPECT_TRUE(q.value(1).isNull() || q.value(1).toString().isEmpty());
    // ...answered with an exception notice that went out.
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_Stato, Tab_Destinatari, Tab_Messaggio FROM Tab_PostaInviata WHERE "
                                      "Tab_Tipo = 'ECCEZIONE'")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("I"));
    EXPECT_EQ(q.value(1).toString(), mail_.address(QStringLiteral("mittente")));
    EXPECT_TRUE(q.value(2).toByteArray().contains("NotificaEccezione.xml"));
    EXPECT_FALSE(q.next());

    // Not registered yet: no confirmation. Registered: one goes out, naming
    // our registration and theirs.
    QVariantList c = mailreq::confirmationRequest(kEnte, 1, QStringLiteral("OP01"));
    r = server->Elabora(kOpConfermaRicezione, c);
    EXPECT_EQ(r.value(0).toString(), kStatusRefused);
    const QString number = registerProtocol(QStringLiteral("E"), QStringLiteral("Trasmissione delibera"));
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_ProtocEmailProvvis SET Tab_ProtocolloGenerale = '%1' WHERE "
                                      "Tab_NumeroProtocolloProvv = 1").arg(number)));
    c = mailreq::confirmationRequest(kEnte, 1, QStringLiteral("OP01"));
    r = server->Elabora(kOpConfermaRicezione, c);
    ASSERT_EQ(r.value(0).toString(), QStringLiteral("0")) << r.value(1).toString().toStdString();
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_Stato, Tab_NumeroProtocollo, Tab_Messaggio FROM Tab_PostaInviata "
                                      "WHERE Tab_Tipo = 'CONFERMA'")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("I"));
    EXPECT_EQ(q.value(1).toString(), number);
    mail::ParsedMail sent;
    ASSERT_TRUE(mail::parseMail(q.value(2).toByteArray(), &sent, &why)) << why.toStdString();
    ASSERT_EQ(sent.attachments.size(), 1);
    mail::InteropMessage answer;
    ASSERT_TRUE(mail::parseInteropMessage(sent.attachments[0].data, &answer, &why)) << why.toStdString();
    EXPECT_EQ(answer.kind, mail::InteropKind::ConfermaRicezione);
    EXPECT_EQ(answer.id.number, mail::segnaturaNumber(number.left(4) + QLatin1Char('-') + number.mid(4)));
    EXPECT_EQ(answer.received.id, d.id);
}

TEST_P(MailReceiverTest, OutgoingProtocolTravelsAsAProtocolMessageItsReceiverReadsWhole)
{
    if (!lease_)
        return;
    auto &cfg = DicAmbiente::session().cfg;
    cfg.codiceIpa = QStringLiteral("asl1");
    cfg.codiceAoo = QStringLiteral("AOO1");
    cfg.codiceRegistro = QStringLiteral("PG");
    const QString number = registerProtocol(QStringLiteral("U"), QStringLiteral("Risposta al quesito"));
    ASSERT_EQ(number.size(), 11);
    const QByteArray letter = test::noise(30000, 11);
    {
        QSqlQuery q(db().central());
        q.prepare(QStringLiteral("INSERT INTO Tab_allegati (Cod_Ente, num_ProtocolloGenerale, Nome_allegato, allegato, "
                                 "Compresso, Criptato) VALUES ('ASL1', ?, 'risposta.pdf', ?, '0', '0')"));
        q.addBindValue(number);
        q.addBindValue(letter);
        ASSERT_TRUE(q.exec());
    }
    auto send = [&](const QString &num, const QString &to, const QString &op = QStringLiteral("OP01")) {
        QVariantList r = mailreq::protocolMessageRequest(kEnte, num, to, op);
        return server->Elabora(kOpInviaProtocollo, r);
    };
    // An incoming protocol, or a recipient that is not an address, is refused.
    const QString incoming = registerProtocol(QStringLiteral("E"), QStringLiteral("Quesito"));
    EXPECT_EQ(send(incoming, lease_->address()).value(0).toString(), kStatusRefused);
    EXPECT_EQ(send(number, QStringLiteral("a@x.it\r\nBcc: b@y.it")).value(0).toString(), kStatusRefused);
    {
        // A reserved protocol goes only from whoever registered it (or holds
        // the privacy right); an enciphered document is never sent as it lies.
        QSqlQuery q(db().central());
        const QString where = QStringLiteral(" WHERE Tab_NumeroProtocollo = '%1'").arg(number);
        ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_Protocollo SET Tab_SoggPrivacy = 'S'") + where));
        EXPECT_EQ(send(number, lease_->address(), QStringLiteral("OP02")).value(0).toString(), QStringLiteral("992"));
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO Tab_allegati (Cod_Ente, num_ProtocolloGenerale, Nome_allegato, "
                                          "allegato, Compresso, Criptato) VALUES ('ASL1', '%1', 'cifrato.pdf', 'xx', "
                                          "'0', '1')")
                               .arg(number)));
        const QVariantList r = send(number, lease_->address());
        EXPECT_EQ(r.value(0).toString(), kStatusRefused);
        EXPECT_TRUE(r.value(1).toString().contains(QStringLiteral("cifrato.pdf"))) << r.value(1).toString().toStdString();
        ASSERT_TRUE(q.exec(QStringLiteral("DELETE FROM Tab_allegati WHERE Nome_allegato = 'cifrato.pdf'")));
        EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_PostaInviata")), QStringLiteral("0"));
    }

    QVariantList r = send(number, lease_->address());
    ASSERT_EQ(r.value(0).toString(), QStringLiteral("0")) << r.value(1).toString().toStdString();
    ASSERT_TRUE(lease_->waitFor(1));
    // Read by the receiving side (here, ourselves): the Segnatura is valid,
    // names the document by its digest and our registration.
    r = fetch();
    ASSERT_EQ(r.value(0).toString(), QStringLiteral("0")) << r.value(1).toString().toStdString();
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_Oggetto, Tab_ProtDocArrivo, Tab_email FROM Tab_ProtocEmailProvvis")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("Risposta al quesito"));
    EXPECT_EQ(q.value(1).toString(), mail::segnaturaNumber(number.left(4) + QLatin1Char('-') + number.mid(4)));
    mail::ParsedMail got;
    QString why;
    ASSERT_TRUE(mail::parseMail(q.value(2).toByteArray(), &got, &why)) << why.toStdString();
    QMap<QString, QByteArray> files;
    QByteArray segnatura;
    for (const auto &a : got.attachments)
        (mail::isSegnaturaFileName(a.fileName) ? segnatura : files[a.fileName]) = a.data;
    EXPECT_EQ(files.value(QStringLiteral("risposta.pdf")), letter);
    mail::SegnaturaData data;
    ASSERT_TRUE(mail::parseSegnatura(segnatura, &data, &why)) << why.toStdString();
    EXPECT_TRUE(mail::checkDigests(data, files, &why)) << why.toStdString();
    EXPECT_EQ(data.id.administration, QStringLiteral("asl1"));
}

TEST_P(MailReceiverTest, StoppedAfterACommitOrCutOffFromTheServerNothingIsLostOrDoubled)
{
    if (!lease_)
        return;
    for (int i = 1; i <= 6; ++i)
        ASSERT_TRUE(lease_->deliver(message(QStringLiteral("Messaggio %1").arg(i), QStringLiteral("testo"))));
    ASSERT_TRUE(lease_->waitFor(6));

    // A reader that stops after its second commit, before marking the
    // message: the next read marks it and does not store it again.
    int commits = 0;
    server->setAfterCommit([&](qint64) { return ++commits < 2; });
    QVariantList r = fetch();
    ASSERT_EQ(r.value(0).toString(), kStatusMailboxFailed);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ProtocEmailProvvis")), QStringLiteral("2"));
    server->setAfterCommit({});

    // The IMAP server goes away in the middle of the next read: it says so,
    // and what it stored stays stored.
    test::TcpRelay relay(mail_.host, quint16(mail_.imapPort));
    ASSERT_TRUE(relay.start()) << relay.error().toStdString();
    setMailbox(relay.port());
    commits = 0;
    server = std::make_unique<MailServer>(db().centralTarget());
    server->setAfterCommit([&](qint64) {
        if (++commits == 2)
            relay.stop();
        return true;
    });
    r = fetch();
    ASSERT_EQ(r.value(0).toString(), kStatusMailboxFailed);
    EXPECT_EQ(commits, 2) << r.value(1).toString().toStdString();
    // The second message marked, the third stored before the server went.
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ProtocEmailProvvis")), QStringLiteral("3"));

    // Back again: the rest comes in, every message once.
    ASSERT_TRUE(relay.start()) << relay.error().toStdString();
    server = std::make_unique<MailServer>(db().centralTarget());
    r = fetch();
    ASSERT_EQ(r.value(0).toString(), QStringLiteral("0")) << r.value(1).toString().toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ProtocEmailProvvis")), QStringLiteral("6"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(DISTINCT Tab_Oggetto) FROM Tab_ProtocEmailProvvis")),
              QStringLiteral("6"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT MAX(Tab_NumeroProtocolloProvv) FROM Tab_ProtocEmailProvvis")),
              QStringLiteral("6"));
    r = fetch();
    EXPECT_EQ(r.value(2).toInt() + r.value(4).toInt(), 0);
}

TEST_P(MailReceiverTest, KilledAnywhereWhileReadingTwoHundredMessagesEachIsStoredOnce)
{
    if (!lease_)
        return;
    constexpr int kMessages = 200;
    for (int i = 1; i <= kMessages; ++i)
        ASSERT_TRUE(lease_->deliver(message(QStringLiteral("Messaggio %1").arg(i), QStringLiteral("testo %1").arg(i))));
    ASSERT_TRUE(lease_->waitFor(kMessages));

    // The command a timer runs, killed at random moments fifty times.
    const QStringList args = QStringList{QStringLiteral("fetch-mail")} + test::targetArgs(db())
                             + QStringList{QStringLiteral("--ente"), kEnte, QStringLiteral("--key"), key_,
                                           QStringLiteral("--ca"), mail_.ca};
    QString password;
    test::withoutPassword(test::TestDb::postgresAdminConnInfo(), &password);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!password.isEmpty())
        env.insert(QStringLiteral("PGPASSWORD"), password);
    auto *random = QRandomGenerator::global();
    for (int run = 0; run < 50; ++run) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(NIMBO_ADMIN_PATH), args);
        ASSERT_TRUE(p.waitForStarted());
        QThread::msleep(random->bounded(30, 400));
        ::kill(pid_t(p.processId()), SIGKILL);
        p.waitForFinished(10000);
    }
    const test::AdminResult last = test::admin(args);
    ASSERT_EQ(last.status, 0) << last.err.toStdString();

    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ProtocEmailProvvis")), QString::number(kMessages));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(DISTINCT Tab_Oggetto) FROM Tab_ProtocEmailProvvis")),
              QString::number(kMessages));
    EXPECT_EQ(scalar(QStringLiteral("SELECT MAX(Tab_NumeroProtocolloProvv) FROM Tab_ProtocEmailProvvis")),
              QString::number(kMessages));
    EXPECT_EQ(lease_->unseen(), 0) << lease_->error().toStdString();
}

NIMBO_INSTANTIATE_ENGINES(MailReceiverTest);

} // namespace
