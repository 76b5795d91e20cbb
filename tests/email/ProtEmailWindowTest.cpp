// "Protocollazione Definitiva delle Email" as a clerk uses it, on both
// engines: the pending e-mails from the menu, the checks reported together,
// the registration with its receipt, the message's attachments moved to the
// protocol, a second registration and a discard of a registered e-mail
// refused, the discard with its reason, an e-mail registered at another
// desk meanwhile, and message files dragged onto the window.

#include <QTemporaryDir>

#include "EmailFixture.h"
#include "email/FrmProtEmailCanc.h"
#include "servers/MailServer.h"
#include "support/Files.h"

using namespace nimbo;
using namespace nimbo::email;

namespace {

class ProtEmailWindow : public test::EmailTest {};

TEST_P(ProtEmailWindow, RegistersAPendingEmailOnceWithItsAttachments)
{
    seedEmails();
    MDIMenu *main = startWithMail();
    ASSERT_NE(main, nullptr);
    auto *w = openEmails(main);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), s("Protocollazione Definitiva delle Email"));
    // Only the pending ones, oldest first, with their sender.
    EXPECT_EQ(column(w->list(), 0), s("1,2"));
    EXPECT_EQ(column(w->list(), 8), s("mario.rossi@example.org,ditta@example.com"));
    EXPECT_EQ(column(w->list(), 7), s("LETTERA,"));

    // Nothing chosen.
    child(w, "cmdProtocolla")->click();
    child(w, "cmdCancella")->click();
    child(w, "cmdClassifica")->click();
    child(w, "cmdConferma")->click();
    EXPECT_EQ(said(), kChooseToRegister + s("|") + kChooseToDiscard + s("|") + kClassifyRegistered + s("|")
                          + kChooseToConfirm);

    // The unknown sender: every missing datum in one message, in order.
    chooseEmail(w, 2);
    EXPECT_EQ(text(w, "txtNumProvv"), s("2"));
    EXPECT_EQ(text(w, "txtTipoProt"), s("ENTRATA"));
    EXPECT_EQ(text(w, "txtDataInvio"), s("02/03/2026"));
    EXPECT_EQ(text(w, "txtDataProt"), QDate::currentDate().toString(s("dd/MM/yyyy")));
    EXPECT_EQ(text(w, "txtfrom"), s("ditta@example.com"));
    EXPECT_EQ(text(w, "Txtsubj"), s("Offerta forniture"));
    EXPECT_EQ(text(w, "ProtoGenerale"), QString());
    // A receipt confirmation is for a registered message.
    child(w, "cmdConferma")->click();
    EXPECT_EQ(said(), kConfirmRegistered);
    // The message was read through the image server into the work folder.
    QFile eml(w->messageFile());
    ASSERT_TRUE(eml.open(QIODevice::ReadOnly)) << w->messageFile().toStdString();
    EXPECT_EQ(eml.readAll(), message(s("ditta@example.com"), s("Offerta forniture")));
    eml.close();
    EXPECT_EQ(rows(s("SELECT Funzione FROM Log_ACCESSI_PROTO WHERE Funzione LIKE '%E-mail provvisoria N. 2'")).size(), 1);
    child(w, "cmdProtocolla")->click();
    EXPECT_EQ(said(), kCheckHeading + s("\n") + kBadCorrespondent + s("\n") + kBadDocType);
    EXPECT_EQ(rows(s("SELECT COUNT(*) FROM Tab_Protocollo WHERE Tab_ProtocolloTemporaneo = '2'")), QStringList{s("0")});

    // Completed by the clerk and registered.
    type(w, "txtMitNuovo", s("5"));
    EXPECT_TRUE(text(w, "lblMitNuovo").startsWith(s("PREFETTURA DI POTENZA"))) << text(w, "lblMitNuovo").toStdString();
    type(w, "txtTipoDoc", s("FAT"));
    EXPECT_EQ(text(w, "lblTipoDoc"), s("FATTURA"));
    edit(w, "txtProtMitt", s("F-2026/17"));
    edit(w, "txtDataProtMitt", s("01/03/2026"));
    boxes.answers = {Answer::Retry, Answer::Cancel};
    child(w, "cmdProtocolla")->click();
    const QString number = year() + s("0000001");
    EXPECT_EQ(text(w, "ProtoGenerale"), year() + s("-0000001"));
    EXPECT_EQ(w->statusText(), kUpdateDone);
    // The receipt goes to the sender; the SMTP server does not take it, the
    // clerk is told and tries again, and it stays kept for later.
    ASSERT_EQ(boxes.shown.size(), 2) << said().toStdString();
    EXPECT_TRUE(keptForRetry(boxes.shown.value(0).text)) << boxes.shown.value(0).text.toStdString();
    EXPECT_EQ(boxes.shown.value(0).buttons, Buttons::RetryCancel);
    EXPECT_TRUE(keptForRetry(boxes.shown.value(1).text));
    said();
    EXPECT_EQ(rows(s("SELECT Tab_Tipo, Tab_Destinatari, Tab_NumeroProtocollo, Tab_Stato, Tab_Tentativi, Tab_Oggetto "
                     "FROM Tab_PostaInviata")),
              QStringList{s("RICEVUTA|ditta@example.com|") + number + s("|E|2|Ricevuta di Email protocollata")});
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    const QStringList protocol = rows(s("SELECT Tab_TipoProtocollo, Tab_Intestatario, Tab_Tipologia, Tab_Oggetto, "
                                        "Tab_ProtocolloTemporaneo, Tab_SedeRicezione, Tab_UfficioRegistrazione, "
                                        "Tab_SoggPrivacy, Tab_Stampato, Tab_ProtDocArrivo, Tab_CodiceOpeReg, "
                                        "Tab_NomeImpronta FROM Tab_Protocollo WHERE Tab_NumeroProtocollo = '")
                                      + number + s("'"));
    EXPECT_EQ(protocol, QStringList{s("E|5|FAT|Offerta forniture|2|PRO|UPR|N|N|F-2026/17|DEMO9|")});
    EXPECT_EQ(rows(s("SELECT Tab_DataRicezione, Tab_DataProtDocArrivo FROM Tab_Protocollo WHERE Tab_NumeroProtocollo = '")
                   + number + s("'"))
                  .value(0)
                  .left(10),
              today);
    EXPECT_EQ(rows(s("SELECT Tab_OraRicezione FROM Tab_Protocollo")).value(0).size(), 5);
    EXPECT_EQ(rows(s("SELECT Tab_ProtocolloGenerale, Tab_CodOper FROM Tab_ProtocEmailProvvis WHERE "
                     "Tab_NumeroProtocolloProvv = 2")),
              QStringList{number + s("|DEMO9")});
    EXPECT_EQ(rows(s("SELECT Nome_allegato, COALESCE(num_ProtocolloGenerale, '-') FROM Tab_allegati ORDER BY Id_allegato")),
              (QStringList{s("domanda.pdf|-"), s("offerta.txt|") + number}));

    // It has left the pending e-mails, and is registered once only.
    EXPECT_EQ(column(w->list(), 0), s("1"));
    child(w, "cmdProtocolla")->click();
    child(w, "cmdCancella")->click();
    EXPECT_EQ(said(), mailreq::kAlreadyRegistered + s("|") + kRegisteredKept);
    child(w, "cmdCarica")->click();
    EXPECT_EQ(column(w->list(), 0), s("1"));
    EXPECT_EQ(text(w, "txtNumProvv"), QString());
    EXPECT_EQ(rows(s("SELECT COUNT(*) FROM Tab_Protocollo")), QStringList{s("1")});

    // The registered document is classified in the classification window.
    chooseEmail(w, 1);
    EXPECT_TRUE(text(w, "lblMitNuovo").startsWith(s("COMUNE DI POTENZA"))) << text(w, "lblMitNuovo").toStdString();
    EXPECT_EQ(text(w, "txtProtMitt"), s("PG/45"));
    EXPECT_EQ(text(w, "txtDataProtMitt"), s("27/02/2026"));
    child(w, "cmdProtocolla")->click();
    said();
    child(w, "cmdClassifica")->click();
    QWidget *classify = active(main);
    ASSERT_NE(classify, nullptr);
    EXPECT_EQ(classify->objectName(), s("FrmClassifica"));
    EXPECT_EQ(rows(s("SELECT Tab_ProtDocArrivo, Tab_DataProtDocArrivo FROM Tab_Protocollo WHERE "
                     "Tab_ProtocolloTemporaneo = '1'"))
                  .value(0)
                  .left(19),
              s("PG/45|2026-02-27"));

    // Closing the window takes its message files away.
    const QString file = w->messageFile();
    EXPECT_TRUE(QFile::exists(file));
    activate(main, w);
    child(w, "cmdChiudi")->click();
    settle();
    EXPECT_FALSE(QFile::exists(file));
}

TEST_P(ProtEmailWindow, DiscardNeedsAReasonAndSparesAnEmailRegisteredMeanwhile)
{
    seedEmails();
    MDIMenu *main = startWithMail();
    ASSERT_NE(main, nullptr);
    auto *w = openEmails(main);
    ASSERT_NE(w, nullptr);
    chooseEmail(w, 2);
    said();
    child(w, "cmdCancella")->click();
    auto *canc = qobject_cast<FrmProtEmailCanc *>(active(main));
    ASSERT_NE(canc, nullptr);
    EXPECT_EQ(text(canc, "lblEmail"), s("E-mail provvisoria N. 2: Offerta forniture"));
    child(canc, "cmdConferma")->click();
    edit(canc, "txtMotivo", s("99"));
    child(canc, "cmdConferma")->click();
    EXPECT_EQ(said(), kNoReason + s("|") + kNoReason);
    type(canc, "txtMotivo", s("02"));
    EXPECT_EQ(text(canc, "lblMotivo"), s("DOCUMENTO DUPLICATO"));
    child(canc, "cmdConferma")->click();
    EXPECT_EQ(said(), QString());
    settle();
    EXPECT_EQ(rows(s("SELECT Tab_StatoProtocollo, Tab_MotivoCancellazione, Tab_CodiceOpeCanc, Tab_UfficioCancellazione, "
                     "COALESCE(Tab_ProtocolloGenerale, '-') FROM Tab_ProtocEmailProvvis WHERE Tab_NumeroProtocolloProvv = 2")),
              QStringList{s("C|02|DEMO9|UPR|-")});
    EXPECT_EQ(rows(s("SELECT Tab_DataCancellazione FROM Tab_ProtocEmailProvvis WHERE Tab_NumeroProtocolloProvv = 2"))
                  .value(0)
                  .left(10),
              QDate::currentDate().toString(Qt::ISODate));
    // The window follows: the e-mail has left the list and the detail.
    EXPECT_EQ(column(w->list(), 0), s("1"));
    EXPECT_EQ(text(w, "txtNumProvv"), QString());

    // Chosen here, registered at another desk before the clerk discards it:
    // the discard leaves it registered.
    activate(main, w);
    chooseEmail(w, 1);
    said();
    {
        ProtocolServer other(db().centralTarget());
        protocol::Context ctx = protocol::Context::fromSession();
        EmailForm f = w->form();
        ASSERT_TRUE(registrationProblems(&f, ctx).isEmpty());
        f.protocolDate = QDate::currentDate();
        f.protocolTime = QTime::currentTime();
        QVariantList request = registrationRequest(f, ctx);
        ASSERT_EQ(other.Elabora(kOpProtocollaEmail, request).value(0).toString(), s("0"));
    }
    child(w, "cmdCancella")->click();
    canc = qobject_cast<FrmProtEmailCanc *>(active(main));
    ASSERT_NE(canc, nullptr);
    type(canc, "txtMotivo", s("01"));
    child(canc, "cmdConferma")->click();
    EXPECT_EQ(boxes.texts().value(boxes.texts().size() - 1), kRegisteredKept) << said().toStdString();
    boxes.clear();
    settle();
    EXPECT_EQ(rows(s("SELECT Tab_StatoProtocollo, Tab_MotivoCancellazione FROM Tab_ProtocEmailProvvis WHERE "
                     "Tab_NumeroProtocolloProvv = 1")),
              QStringList{s("A|")});
    EXPECT_EQ(w->list()->count(), 0);

    // A registration tried on an e-mail registered meanwhile is refused by
    // the server and the detail shows its number.
    provisional(5, s("tardi@example.org"), s("Sollecito"), 2, s("LET"));
    activate(main, w);
    child(w, "cmdCarica")->click();
    chooseEmail(w, 5);
    said();
    {
        ProtocolServer other(db().centralTarget());
        protocol::Context ctx = protocol::Context::fromSession();
        EmailForm f = w->form();
        registrationProblems(&f, ctx);
        f.protocolDate = QDate::currentDate();
        f.protocolTime = QTime::currentTime();
        QVariantList request = registrationRequest(f, ctx);
        ASSERT_EQ(other.Elabora(kOpProtocollaEmail, request).value(0).toString(), s("0"));
    }
    child(w, "cmdProtocolla")->click();
    EXPECT_EQ(said(), mailreq::kAlreadyRegistered);
    EXPECT_EQ(text(w, "ProtoGenerale"), year() + s("-0000002"));
    EXPECT_EQ(rows(s("SELECT COUNT(*) FROM Tab_Protocollo")), QStringList{s("2")});
}

// An .eml dragged onto the window joins the pending e-mails as one read
// from the mailbox would (its attachment kept, its sender recognised); the
// same message dropped again, a file that is no message and one of another
// kind are refused, each with its reason, and nothing more is stored.
TEST_P(ProtEmailWindow, AMessageFileDroppedBecomesAPendingEmailOnce)
{
    seedEmails();
    MDIMenu *main = startWithMail();
    ASSERT_NE(main, nullptr);
    auto *w = openEmails(main);
    ASSERT_NE(w, nullptr);
    said();
    QTemporaryDir dir;
    const auto write = [&](const char *name, const QByteArray &bytes) {
        QFile f(dir.filePath(QLatin1String(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    };
    // The sender is known by his address.
    run(s("UPDATE Tab_Rubrica SET Tab_PostaElettronica = 'Mario.Rossi@example.org' WHERE Tab_EnteRubrica = '001' AND "
          "Tab_Identificativo = 2"));
    const QByteArray raw = message(s("mario.rossi@example.org"), s("Richiesta di copia conforme"));
    const QString eml = write("richiesta.eml", raw);
    ASSERT_TRUE(test::dropFiles(w, {eml}));
    settle();
    EXPECT_EQ(said(), QString());
    EXPECT_EQ(column(w->list(), 0), s("1,2,5"));
    EXPECT_EQ(w->statusText(), s("Caricata l'e-mail provvisoria N. 5"));
    EXPECT_EQ(text(w, "txtNumProvv"), s("5"));
    EXPECT_EQ(text(w, "Txtsubj"), s("Richiesta di copia conforme"));
    EXPECT_EQ(rows(s("SELECT COALESCE(Tab_Casella, '-'), COALESCE(CAST(Tab_Uid AS TEXT), '-'), Tab_Intestatario, "
                     "Tab_StatoProtocollo, Tab_CodOper FROM Tab_ProtocEmailProvvis WHERE Tab_NumeroProtocolloProvv = 5")),
              QStringList{s("-|-|2|A|DEMO9")});
    EXPECT_EQ(rows(s("SELECT Nome_allegato FROM Tab_allegati WHERE num_ProtocolloProvvisorio = '5'")),
              QStringList{s("nota.txt")});

    // Dropped again with two files that are no message.
    const QString notes = write("appunti.eml", "solo qualche riga di testo\n");
    const QString pdf = write("lettera.pdf", "%PDF-1.4\n");
    ASSERT_TRUE(test::dropFiles(w, {eml, notes, pdf}));
    settle();
    EXPECT_EQ(said(), s("richiesta.eml: ") + mailreq::kAlreadyLoaded + s("\nappunti.eml: ") + mailreq::kNotAMessage
                          + s("\nlettera.pdf: non è un messaggio di posta (.eml)."));
    EXPECT_EQ(rows(s("SELECT COUNT(*) FROM Tab_ProtocEmailProvvis")), QStringList{s("5")});
    EXPECT_EQ(column(w->list(), 0), s("1,2,5"));

    // The server refuses what no window would send it.
    MailServer server(db().centralTarget());
    QVariantList empty = mailreq::messageFileRequest(s("001"), s("DEMO9"), QByteArray());
    EXPECT_EQ(server.Elabora(kOpCaricaEmail, empty).value(0).toString(), kStatusRefused);
    QVariantList stranger = mailreq::messageFileRequest(s("999"), s("DEMO9"), raw);
    EXPECT_EQ(server.Elabora(kOpCaricaEmail, stranger).value(0).toString(), kStatusRefused);
    EXPECT_EQ(rows(s("SELECT COUNT(*) FROM Tab_ProtocEmailProvvis")), QStringList{s("5")});
}

NIMBO_INSTANTIATE_ENGINES(ProtEmailWindow);

} // namespace
