// From mail arriving to the receipt read back, through the windows and the
// test mail servers (IMAP and SMTP on loopback), on both engines: a citizen
// writes to the body's mailbox; the clerk loads the e-mails, reads the
// message and its attachment, completes the sender and the type and
// registers it; the citizen's mailbox receives the receipt with the
// protocol number, and the attachment is the protocol's.

#include "EmailFixture.h"
#include "email/FrmVisEmail.h"
#include "mail/MimeReader.h"
#include "mail/MimeWriter.h"
#include "support/MailServers.h"
#include "support/MailboxLease.h"

using namespace nimbo;
using namespace nimbo::email;

namespace {

class EmailEndToEnd : public test::EmailTest {
protected:
    void SetUp() override
    {
        EmailTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        auto servers = test::testMailOrSkip();
        if (!servers)
            return;
        mail = *servers;
        body = std::make_unique<test::MailboxLease>(mail);
        citizen = std::make_unique<test::MailboxLease>(mail);
        ASSERT_TRUE(body->claim() && citizen->claim()) << "nessuna casella di prova libera";
        ASSERT_TRUE(body->empty()) << body->error().toStdString();
        ASSERT_TRUE(citizen->empty()) << citizen->error().toStdString();
        // The body reads its own mailbox and sends through the test SMTP
        // server with the same account.
        run(s("UPDATE Tab_Enti SET Ente_PostaElettronica = ?, Ente_PWD_Posta = ?, Ente_Posta_POP = ?, "
              "Ente_Posta_PortaIMAP = ?, Ente_Posta_SicurezzaIMAP = 'SSL', Ente_Posta_SMTP = ?, "
              "Ente_Posta_PortaServer = ?, Ente_Posta_Sicurezza = 'STARTTLS' WHERE Ente_Codice = '001'"),
            {body->address(), Cipher::encipher(mail.password, key).text, mail.host, QString::number(mail.imapPort),
             mail.host, QString::number(mail.smtpPort)});
    }
    void TearDown() override
    {
        if (body)
            body->empty();
        if (citizen)
            citizen->empty();
        body.reset();
        citizen.reset();
        EmailTest::TearDown();
    }

    test::TestMail mail;
    std::unique_ptr<test::MailboxLease> body, citizen;
};

TEST_P(EmailEndToEnd, FromMailArrivingToTheReceiptReadBack)
{
    if (!body)
        return;
    // The citizen writes, with a document attached.
    mail::OutgoingMail m;
    m.fromAddress = citizen->address();
    m.fromName = s("Anna Verdi");
    m.to = {body->address()};
    m.subject = s("Richiesta certificato di servizio");
    m.text = s("Si chiede il rilascio del certificato di servizio.");
    m.attachments = {{s("domanda.txt"), s("text/plain"), QByteArray("Domanda firmata")}};
    QByteArray raw;
    QString id, why;
    ASSERT_TRUE(mail::composeMail(m, &raw, &id, &why)) << why.toStdString();
    ASSERT_TRUE(mail::sendMessage(mail.smtp(), mail.address(s("mittente")), {body->address()}, raw).ok());
    {
        mail::ImapMailbox inbox(body->imap());
        QList<qint64> uids;
        ASSERT_TRUE(test::waitForMessages(inbox, 1, &uids));
    }

    MDIMenu *main = startWithMail({QStringLiteral("SET MAILCA=") + mail.ca});
    ASSERT_NE(main, nullptr);
    auto *w = openEmails(main);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->list()->count(), 0);
    child(w, "cmdCarica")->click();
    EXPECT_EQ(said(), QString());
    ASSERT_EQ(w->list()->count(), 1);
    EXPECT_EQ(w->list()->text(0, 3), s("Richiesta certificato di servizio"));
    const qlonglong provisional = w->list()->value(0, 0).toLongLong();
    chooseEmail(w, int(provisional));
    EXPECT_EQ(text(w, "txtfrom"), s("Anna Verdi <") + citizen->address() + s(">"));

    // The clerk reads it and its attachment.
    child(w, "cmdVisualizza")->click();
    auto *viewer = qobject_cast<FrmVisEmail *>(active(main));
    ASSERT_NE(viewer, nullptr) << said().toStdString();
    EXPECT_EQ(text(viewer, "TxtOggetto"), s("Richiesta certificato di servizio"));
    EXPECT_EQ(child<QPlainTextEdit>(viewer, "TxtTesto")->toPlainText().trimmed(),
              s("Si chiede il rilascio del certificato di servizio."));
    ASSERT_EQ(viewer->attachments()->count(), 1);
    EXPECT_TRUE(viewer->attachments()->item(0)->text().startsWith(s("domanda.txt")));
    viewer->closeWindow();
    settle();

    // Completed and registered; the receipt leaves.
    activate(main, w);
    type(w, "txtMitNuovo", s("17"));
    type(w, "txtTipoDoc", s("RIC"));
    child(w, "cmdProtocolla")->click();
    EXPECT_EQ(said(), QString());
    const QString number = storedNumber(text(w, "ProtoGenerale"));
    ASSERT_EQ(number.size(), 11);
    EXPECT_EQ(w->list()->count(), 0);
    EXPECT_EQ(rows(s("SELECT Tab_Stato, Tab_Destinatari FROM Tab_PostaInviata WHERE Tab_Tipo = 'RICEVUTA'")),
              QStringList{s("I|") + citizen->address()});
    // The message's file is the protocol's attachment.
    EXPECT_EQ(rows(s("SELECT Nome_allegato FROM Tab_allegati WHERE num_ProtocolloGenerale = '") + number + s("'")),
              QStringList{s("domanda.txt")});

    // The citizen reads the receipt.
    mail::ImapMailbox inbox(citizen->imap());
    QList<qint64> uids;
    ASSERT_TRUE(test::waitForMessages(inbox, 1, &uids));
    QByteArray receipt;
    ASSERT_TRUE(inbox.fetch(uids.first(), &receipt, 1 << 20).ok());
    mail::ParsedMail read;
    ASSERT_TRUE(mail::parseMail(receipt, &read, &why)) << why.toStdString();
    EXPECT_EQ(read.subject, s("Ricevuta di Email protocollata"));
    EXPECT_EQ(read.fromAddress, body->address());
    EXPECT_EQ(read.text.trimmed(), receiptText(number));
    EXPECT_TRUE(read.text.contains(shownNumber(number)));
}

NIMBO_INSTANTIATE_ENGINES(EmailEndToEnd);

} // namespace
