#include <gtest/gtest.h>

#include "mail/MailTransport.h"
#include "mail/MimeReader.h"
#include "mail/MimeWriter.h"
#include "support/MailServers.h"

using namespace nimbo::mail;
using nimbo::test::TestFolder;

namespace {

QByteArray composed(const QString &to, const QString &subject, QString *messageId,
                    const QList<MailAttachment> &attachments = {})
{
    OutgoingMail out{QStringLiteral("mittente@nimbo.test"), QStringLiteral("Ufficio Protocollo Città"), {to},
                     subject, QStringLiteral("Testo della comunicazione.\nSeconda riga: perché sì."), attachments};
    QByteArray raw;
    QString error;
    EXPECT_TRUE(composeMail(out, &raw, messageId, &error)) << error.toStdString();
    return raw;
}

} // namespace

TEST(MailTransport, RoundTripThroughTheServers)
{
    auto mail = nimbo::test::testMailOrSkip();
    if (!mail)
        return;
    TestFolder folder(*mail, "giro");
    folder.subFolders = {QStringLiteral("Protocollate")};
    QByteArray pdf(300000, '\0');
    for (int i = 0; i < pdf.size(); ++i)
        pdf[i] = char(i * 7 % 251);
    QString messageId;
    const QByteArray raw = composed(folder.address(), QStringLiteral("Richiesta di accesso agli atti – n. 42"),
                                    &messageId, {{QStringLiteral("domanda firmata.pdf"), QStringLiteral("application/pdf"), pdf}});
    ASSERT_TRUE(nimbo::test::deliver(*mail, raw, folder.address()));

    ImapMailbox box(mail->imap(), folder.name());
    QList<qint64> uids;
    ASSERT_TRUE(nimbo::test::waitForMessages(box, 1, &uids));
    qint64 validity = 0;
    ASSERT_TRUE(box.open(&validity).ok());
    QList<qint64> fresh;
    ASSERT_TRUE(box.newUids(&fresh).ok());
    ASSERT_EQ(fresh, uids);
    const qint64 uid = uids.first();

    QByteArray fetched;
    MailResult r = box.fetch(uid, &fetched, 1000);
    EXPECT_EQ(r.code, MailResult::TooBig) << r.text.toStdString();
    EXPECT_TRUE(fetched.isEmpty());
    ASSERT_TRUE(box.fetch(uid, &fetched, 10 << 20).ok());
    ParsedMail parsed;
    QString error;
    ASSERT_TRUE(parseMail(fetched, &parsed, &error)) << error.toStdString();
    EXPECT_EQ(parsed.messageId, messageId);
    EXPECT_EQ(parsed.subject, QStringLiteral("Richiesta di accesso agli atti – n. 42"));
    EXPECT_EQ(parsed.fromAddress, QStringLiteral("mittente@nimbo.test"));
    ASSERT_EQ(parsed.attachments.size(), 1);
    EXPECT_EQ(parsed.attachments[0].data, pdf);
    EXPECT_EQ(box.fetch(uid + 1000, &fetched, 10 << 20).code, MailResult::NotFound);

    // Reading did not mark it seen; marking it did; the UID validity holds
    // across connections.
    ASSERT_TRUE(box.newUids(&fresh).ok());
    EXPECT_EQ(fresh, QList<qint64>{uid});
    ASSERT_TRUE(box.markSeen(uid).ok());
    ASSERT_TRUE(box.newUids(&fresh).ok());
    EXPECT_TRUE(fresh.isEmpty());
    ImapMailbox again(mail->imap(), folder.name());
    qint64 validityAgain = 0;
    ASSERT_TRUE(again.open(&validityAgain).ok());
    EXPECT_EQ(validityAgain, validity);

    // Moved to a folder that did not exist; gone from the first.
    const QString done = folder.name() + QStringLiteral("/Protocollate");
    ASSERT_TRUE(box.moveTo(uid, done).ok());
    ASSERT_TRUE(box.allUids(&uids).ok());
    EXPECT_TRUE(uids.isEmpty());
    ImapMailbox moved(mail->imap(), done);
    ASSERT_TRUE(moved.open(nullptr).ok());
    ASSERT_TRUE(moved.allUids(&uids).ok());
    ASSERT_EQ(uids.size(), 1);
    ASSERT_TRUE(moved.fetch(uids.first(), &fetched, 10 << 20).ok());
    ASSERT_TRUE(parseMail(fetched, &parsed, &error));
    EXPECT_EQ(parsed.messageId, messageId);

    EXPECT_EQ(box.moveTo(uid, QStringLiteral("x\" DELETE \"INBOX")).code, MailResult::Refused);
    EXPECT_EQ(ImapMailbox(mail->imap(), QStringLiteral("non-esiste-")).open(nullptr).code, MailResult::NotFound);
}

// Lines of a message that look like the end of the server's answer, a line
// far longer than usual and a large attachment: the message arrives whole and
// stays unseen.
TEST(MailTransport, MessagesThatLookLikeProtocolArriveWhole)
{
    auto mail = nimbo::test::testMailOrSkip();
    if (!mail)
        return;
    TestFolder folder(*mail, "righe");
    QByteArray body = "+ riga che comincia come una continuazione\r\n* 1 FETCH (UID 99 BODY[] {3}\r\n";
    for (char tag = 'A'; tag <= 'C'; ++tag)
        for (int n = 0; n < 40; ++n)
            body += QByteArray(1, tag) + QByteArray::number(n).rightJustified(3, '0') + " OK fatto\r\n";
    body += QByteArray(1500, 'x') + "\r\nFINE-DEL-TESTO\r\n";
    const QByteArray raw = "From: mittente@nimbo.test\r\nTo: " + folder.address().toUtf8()
                           + "\r\nSubject: righe\r\nMessage-ID: <righe@nimbo.test>\r\n\r\n" + body;
    ASSERT_TRUE(nimbo::test::deliver(*mail, raw, folder.address()));
    QByteArray big(12 << 20, 'z');
    QString id;
    ASSERT_TRUE(nimbo::test::deliver(
        *mail, composed(folder.address(), QStringLiteral("grande"), &id, {{QStringLiteral("archivio.bin"), {}, big}}),
        folder.address()));

    ImapMailbox box(mail->imap(), folder.name());
    QList<qint64> uids;
    ASSERT_TRUE(nimbo::test::waitForMessages(box, 2, &uids));
    ParsedMail parsed;
    QString error;
    for (const qint64 uid : uids) {
        QByteArray fetched;
        const MailResult r = box.fetch(uid, &fetched, 30 << 20);
        ASSERT_TRUE(r.ok()) << r.text.toStdString();
        ASSERT_TRUE(parseMail(fetched, &parsed, &error)) << error.toStdString();
        if (parsed.subject == QLatin1String("righe")) {
            EXPECT_TRUE(fetched.contains("\r\nB039 OK fatto\r\n"));
            EXPECT_TRUE(fetched.endsWith("FINE-DEL-TESTO\r\n"));
        } else {
            ASSERT_EQ(parsed.attachments.size(), 1);
            EXPECT_TRUE(parsed.attachments[0].data == big);
        }
    }
    QList<qint64> fresh;
    ASSERT_TRUE(box.newUids(&fresh).ok());
    EXPECT_EQ(fresh, uids);
}

TEST(MailTransport, WrongPasswordUntrustedServerAndBadAddressesAreToldApart)
{
    auto mail = nimbo::test::testMailOrSkip();
    if (!mail)
        return;
    ServerSettings wrong = mail->imap();
    wrong.password = QStringLiteral("sbagliata");
    MailResult r = ImapMailbox(wrong).open(nullptr);
    EXPECT_EQ(r.code, MailResult::Authentication) << r.text.toStdString();
    EXPECT_FALSE(r.text.contains(mail->password));
    wrong = mail->smtp();
    wrong.password = QStringLiteral("sbagliata");
    r = sendMessage(wrong, QStringLiteral("mittente@nimbo.test"), {QStringLiteral("protocollo@nimbo.test")}, "x\r\n");
    EXPECT_EQ(r.code, MailResult::Authentication) << r.text.toStdString();

    // The test CA is in no system store.
    ServerSettings untrusted = mail->imap();
    untrusted.caFile.clear();
    r = ImapMailbox(untrusted).open(nullptr);
    EXPECT_EQ(r.code, MailResult::Tls) << r.text.toStdString();
    untrusted = mail->smtp();
    untrusted.caFile = QStringLiteral("/nonexistent/ca.pem");
    r = sendMessage(untrusted, QStringLiteral("mittente@nimbo.test"), {QStringLiteral("protocollo@nimbo.test")}, "x\r\n");
    EXPECT_EQ(r.code, MailResult::Tls) << r.text.toStdString();

    ServerSettings closed = mail->imap();
    closed.port = 1;
    EXPECT_EQ(ImapMailbox(closed).open(nullptr).code, MailResult::Connect);

    // Nothing reaches the server with an address that could add a recipient.
    for (const char *bad : {"protocollo@nimbo.test>\r\nRCPT TO:<spia@altrove.example", "a@b.it,c@d.it", ""})
        EXPECT_EQ(sendMessage(mail->smtp(), QStringLiteral("mittente@nimbo.test"), {QString::fromUtf8(bad)}, "x\r\n").code,
                  MailResult::Refused)
            << bad;
    EXPECT_EQ(sendMessage(mail->smtp(), QStringLiteral("mittente@nimbo.test\r\nX"), {QStringLiteral("a@nimbo.test")}, "x").code,
              MailResult::Refused);
    // A recipient the server does not know: the whole message is refused.
    r = sendMessage(mail->smtp(), QStringLiteral("mittente@nimbo.test"),
                    {QStringLiteral("protocollo@nimbo.test"), QStringLiteral("nessuno@nimbo.test")}, "x\r\n");
    EXPECT_EQ(r.code, MailResult::Protocol) << r.text.toStdString();
}
