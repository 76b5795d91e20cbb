// From mail arriving to the receipt read back, through the windows and the
// test mail servers (IMAP and SMTP on loopback), on both engines: a citizen
// writes to the body's mailbox; the clerk loads the e-mails, reads the
// message and its attachment, completes the sender and the type and
// registers it; the citizen's mailbox receives the receipt with the
// protocol number, and the attachment is the protocol's. Between
// administrations: a protocol message registered from the window is
// confirmed to its sender, and an outgoing protocol leaves the
// registration window as a protocol message its receiver reads whole.

#include "EmailFixture.h"
#include "email/FrmEmail.h"
#include "email/FrmVisEmail.h"
#include "mail/InteropMessages.h"
#include "mail/MimeReader.h"
#include "mail/Segnatura.h"
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
    // The body's codes for protocol messages, and the mail servers' CA.
    QStringList interopSettings() const
    {
        return {QStringLiteral("SET MAILCA=") + mail.ca, QStringLiteral("SET CODICEIPA=asl1"),
                QStringLiteral("SET CODICEAOO=AOO1"), QStringLiteral("SET CODICEREGISTRO=PG")};
    }
    // The one message in a mailbox, read whole.
    static bool onlyMessage(test::MailboxLease &box, mail::ParsedMail *out)
    {
        mail::ImapMailbox inbox(box.imap());
        QList<qint64> uids;
        QByteArray raw;
        QString why;
        if (!test::waitForMessages(inbox, 1, &uids) || !inbox.fetch(uids.first(), &raw, 8 << 20).ok())
            return false;
        return mail::parseMail(raw, out, &why);
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

TEST_P(EmailEndToEnd, ProtocolMessageRegisteredFromTheWindowIsConfirmedToItsSender)
{
    if (!body)
        return;
    // Another administration sends a protocol message asking for a
    // confirmation.
    const QByteArray letter = "%PDF-1.4 delibera";
    mail::SegnaturaData d;
    d.id = {s("c_x123"), s("AOOC"), s("REG"), mail::segnaturaNumber(s("2026-0000042")), QDate(2026, 12, 1), {}};
    d.sender = {s("Comune di Città Alta"), s("c_x123"), s("AOOC"), citizen->address()};
    mail::SegnaturaRecipient us;
    static_cast<mail::SegnaturaParty &>(us) = {s("ASL 1"), s("asl1"), s("AOO1"), body->address()};
    d.recipients = {us};
    d.subject = s("Trasmissione delibera");
    d.primary = {s("delibera.pdf"), s("application/pdf"), mail::sha256(letter), s("SHA-256"), {}};
    QString why;
    const QByteArray segnatura = mail::buildSegnatura(d, &why);
    ASSERT_FALSE(segnatura.isEmpty()) << why.toStdString();
    mail::OutgoingMail m;
    m.fromAddress = citizen->address();
    m.to = {body->address()};
    m.subject = s("Prot. N. 2026-0000042");
    m.text = s("Si trasmette la delibera.");
    m.attachments = {{s("Segnatura.xml"), s("application/xml"), segnatura},
                     {s("delibera.pdf"), s("application/pdf"), letter}};
    QByteArray raw;
    QString id;
    ASSERT_TRUE(mail::composeMail(m, &raw, &id, &why)) << why.toStdString();
    ASSERT_TRUE(mail::sendMessage(mail.smtp(), citizen->address(), {body->address()}, raw).ok());
    {
        mail::ImapMailbox inbox(body->imap());
        QList<qint64> uids;
        ASSERT_TRUE(test::waitForMessages(inbox, 1, &uids));
    }

    MDIMenu *main = startWithMail(interopSettings());
    ASSERT_NE(main, nullptr);
    auto *w = openEmails(main);
    ASSERT_NE(w, nullptr);
    child(w, "cmdCarica")->click();
    EXPECT_EQ(said(), QString());
    ASSERT_EQ(w->list()->count(), 1);
    chooseEmail(w, int(w->list()->value(0, 0).toLongLong()));
    // The Segnatura filled the subject and the sender's reference.
    EXPECT_EQ(text(w, "Txtsubj"), s("Trasmissione delibera"));
    EXPECT_EQ(text(w, "txtProtMitt"), s("0000042"));
    EXPECT_EQ(text(w, "txtDataProtMitt"), s("01/12/2026"));

    // Registered; asked, the clerk sends the confirmation.
    type(w, "txtMitNuovo", s("2"));
    type(w, "txtTipoDoc", s("LET"));
    boxes.answers = {Answer::Yes};
    child(w, "cmdProtocolla")->click();
    EXPECT_EQ(said(), kAskConfirmation + s("|") + kConfirmationSent);
    const QString number = storedNumber(text(w, "ProtoGenerale"));
    ASSERT_EQ(number.size(), 11);
    EXPECT_EQ(rows(s("SELECT Tab_Tipo, Tab_Stato, Tab_NumeroProtocollo FROM Tab_PostaInviata ORDER BY Id_Invio")),
              (QStringList{s("RICEVUTA|I|") + number, s("CONFERMA|I|") + number}));

    // The sender receives the receipt and the confirmation, which names
    // both registrations.
    mail::ImapMailbox inbox(citizen->imap());
    QList<qint64> uids;
    ASSERT_TRUE(test::waitForMessages(inbox, 2, &uids));
    bool confirmed = false;
    for (qint64 uid : uids) {
        QByteArray got;
        ASSERT_TRUE(inbox.fetch(uid, &got, 1 << 20).ok());
        mail::ParsedMail read;
        ASSERT_TRUE(mail::parseMail(got, &read, &why)) << why.toStdString();
        for (const mail::MailAttachment &a : read.attachments) {
            mail::InteropMessage answer;
            ASSERT_TRUE(mail::parseInteropMessage(a.data, &answer, &why)) << why.toStdString();
            EXPECT_EQ(answer.kind, mail::InteropKind::ConfermaRicezione);
            EXPECT_EQ(answer.received.id, d.id);
            EXPECT_EQ(answer.id.number, mail::segnaturaNumber(number.left(4) + s("-") + number.mid(4)));
            confirmed = true;
        }
    }
    EXPECT_TRUE(confirmed);
}

TEST_P(EmailEndToEnd, OutgoingProtocolLeavesTheRegistrationWindowAsAProtocolMessage)
{
    if (!body)
        return;
    // The correspondent's address is in the address book.
    run(s("UPDATE Tab_Rubrica SET Tab_PostaElettronica = ? WHERE Tab_EnteRubrica = '001' AND Tab_Identificativo = 2"),
        {citizen->address()});
    MDIMenu *main = startWithMail(interopSettings());
    ASSERT_NE(main, nullptr);
    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    const QString number = registerLetter(main, reg, s("Risposta al quesito"), false);
    ASSERT_EQ(number.size(), 11) << said().toStdString();
    said();
    const QByteArray letter = "%PDF-1.4 risposta firmata";
    run(s("INSERT INTO Tab_allegati (Cod_Ente, num_ProtocolloGenerale, Nome_allegato, Descrizione_allegato, allegato, "
          "Compresso, Criptato) VALUES ('001', ?, 'risposta.pdf', 'risposta.pdf', ?, '0', '0')"),
        {number, letter});

    child(reg, "btnTB_6")->click();
    auto *w = qobject_cast<FrmEmail *>(active(main));
    ASSERT_NE(w, nullptr) << said().toStdString();
    ASSERT_TRUE(child<QWidget>(w, "FraInterop")->isVisibleTo(w));
    EXPECT_EQ(text(w, "TxtIndirizzoAmm"), citizen->address());
    // A bad address is refused; "No" sends nothing.
    child<QLineEdit>(w, "TxtIndirizzoAmm")->setText(s("comune.pec.it"));
    child(w, "CmdInviaProtocollo")->click();
    EXPECT_EQ(said(), kBadAddress);
    child<QLineEdit>(w, "TxtIndirizzoAmm")->setText(citizen->address());
    boxes.answers = {Answer::No};
    child(w, "CmdInviaProtocollo")->click();
    EXPECT_EQ(said(), kAskSendProtocol.arg(citizen->address()));
    EXPECT_EQ(rows(s("SELECT COUNT(*) FROM Tab_PostaInviata")), QStringList{s("0")});
    boxes.answers = {Answer::Yes};
    child(w, "CmdInviaProtocollo")->click();
    EXPECT_EQ(said(), kAskSendProtocol.arg(citizen->address()) + s("|") + kProtocolSent);

    // The receiving administration reads the document and a Segnatura
    // that validates and names it by its digest.
    mail::ParsedMail read;
    ASSERT_TRUE(onlyMessage(*citizen, &read));
    QMap<QString, QByteArray> files;
    QByteArray segnatura;
    for (const auto &a : read.attachments)
        (mail::isSegnaturaFileName(a.fileName) ? segnatura : files[a.fileName]) = a.data;
    EXPECT_EQ(files.value(s("risposta.pdf")), letter);
    mail::SegnaturaData data;
    QString why;
    ASSERT_TRUE(mail::parseSegnatura(segnatura, &data, &why)) << why.toStdString();
    EXPECT_TRUE(mail::checkDigests(data, files, &why)) << why.toStdString();
    EXPECT_EQ(data.subject, s("Risposta al quesito"));
    EXPECT_EQ(data.id.number, mail::segnaturaNumber(number.left(4) + s("-") + number.mid(4)));
}

NIMBO_INSTANTIATE_ENGINES(EmailEndToEnd);

} // namespace
