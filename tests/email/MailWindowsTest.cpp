// The windows that write mail, each reached as a clerk reaches it, on both
// engines: the registration notice from the registration window's "E-Mail"
// (the office and its current members, the number split into year and
// progressive, the sender's reference), the message viewer with its
// attachment preview and the answer to the sender, and the operator's mail
// settings with a password that is never shown.

#include <QCheckBox>
#include <QTest>

#include "EmailFixture.h"
#include "data/Cipher.h"
#include "documents/FrmProtVisAllegati.h"
#include "email/FrmEmail.h"
#include "email/FrmVisEmail.h"

using namespace nimbo;
using namespace nimbo::email;

namespace {

class MailWindows : public test::EmailTest {
protected:
    static QStringList items(QListWidget *list)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
};

TEST_P(MailWindows, NoticeNamesTheOfficeAndItsCurrentMembers)
{
    MDIMenu *main = startWithMail();
    ASSERT_NE(main, nullptr);
    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    const QString number = registerLetter(main, reg, s("Richiesta di parere"));
    ASSERT_EQ(number.size(), 11) << said().toStdString();
    // The sender's reference, added as a change of the registered protocol.
    child<QLineEdit>(reg, "Text1")->setText(s("PG/45"));
    child<QLineEdit>(reg, "Text2")->setText(s("27/02/2026"));
    press(main, "REGISTRA");
    said();

    ASSERT_TRUE(child(reg, "btnTB_6")->isEnabled());
    child(reg, "btnTB_6")->click();
    auto *w = qobject_cast<FrmEmail *>(active(main));
    ASSERT_NE(w, nullptr) << said().toStdString();
    const QString today = QDate::currentDate().toString(s("dd/MM/yyyy"));
    const QString shown = year() + s("-") + number.mid(4);
    EXPECT_EQ(text(w, "lblProtocollo"), s("Protocollo N. ") + shown + s(" del ") + today);
    EXPECT_EQ(items(w->recipients()), (QStringList{s("UFFICIO PROTOCOLLO GENERALE - upr@asdemo.example"),
                                                   s("CONTI GIULIA - conti@asdemo.example"),
                                                   s("ROSSI MARIO - rossi@asdemo.example")}));
    EXPECT_EQ(text(w, "TxtOggetto"), s("Notifica Ricezione documento prot. N. ") + shown + s("  del ") + today);
    // An incoming protocol is not sent on to another administration.
    EXPECT_FALSE(child<QWidget>(w, "FraInterop")->isVisibleTo(w));
    auto *body = child<QPlainTextEdit>(w, "TxtMessaggio");
    EXPECT_EQ(body->toPlainText(),
              QStringList({s("PROTOCOLLO N. ") + shown + s("  DEL ") + today, s("RICEVUTO IN DATA:        ") + today,
                           s("MITTENTE:                COMUNE DI POTENZA"),
                           s("RIF. MITTENTE:  Prot. N. PG/45 del 27/02/2026"),
                           s("TIPO DOCUMENTO:          LETTERA"), s("OGGETTO:                 Richiesta di parere")})
                  .join(s("\n")));

    // Somebody must be chosen and something said.
    child(w, "CmdInvia")->click();
    w->recipients()->item(1)->setCheckState(Qt::Checked);
    const QString written = body->toPlainText();
    body->setPlainText(s("  "));
    child(w, "CmdInvia")->click();
    EXPECT_EQ(said(), kNoRecipient + s("|") + kEmptyBody);
    body->setPlainText(written);
    child(w, "CmdInvia")->click();
    EXPECT_TRUE(keptForRetry(said()));
    EXPECT_EQ(rows(s("SELECT Tab_Tipo, Tab_Destinatari, Tab_NumeroProtocollo, Tab_Stato FROM Tab_PostaInviata")),
              QStringList{s("NOTIFICA|conti@asdemo.example|") + number + s("|E")});

    // Left, what was typed thrown away.
    child(w, "CmdEsci")->click();
    EXPECT_EQ(said(), ui::DirtyTracker::kQuestion);
    settle();

    // Without the body's mail server nothing is offered.
    DicAmbiente::session().entePostaSmtp.clear();
    activate(main, reg);
    child(reg, "btnTB_6")->click();
    settle();
    EXPECT_EQ(said().toStdString(), (kExpert + mailreq::kNotConfigured).toStdString());
    EXPECT_EQ(active(main), reg);
}

TEST_P(MailWindows, ViewerShowsTheMessagePreviewsItsFilesAndAnswersTheSender)
{
    seedEmails();
    MDIMenu *main = startWithMail();
    ASSERT_NE(main, nullptr);
    auto *emails = openEmails(main);
    ASSERT_NE(emails, nullptr);
    child(emails, "cmdVisualizza")->click();
    EXPECT_EQ(said(), s("selezionare l'e-mail da visualizzare"));
    chooseEmail(emails, 1);
    child(emails, "cmdVisualizza")->click();
    auto *viewer = qobject_cast<FrmVisEmail *>(active(main));
    ASSERT_NE(viewer, nullptr) << said().toStdString();
    EXPECT_EQ(text(viewer, "TxtDa"), s("mario.rossi@example.org"));
    EXPECT_EQ(text(viewer, "TxtA"), s("protocollo@asdemo.example"));
    EXPECT_EQ(text(viewer, "TxtOggetto"), s("Domanda di accesso agli atti"));
    EXPECT_EQ(child<QPlainTextEdit>(viewer, "TxtTesto")->toPlainText().trimmed(), s("Si chiede l'accesso agli atti."));
    ASSERT_EQ(viewer->attachments()->count(), 1);
    EXPECT_TRUE(viewer->attachments()->item(0)->text().startsWith(s("nota.txt")));

    // The file is previewed as the protocol's attachments are, and goes
    // with the preview window.
    ASSERT_TRUE(viewer->preview(0));
    auto *preview = qobject_cast<documents::FrmProtVisAllegati *>(active(main));
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->kind(), documents::FrmProtVisAllegati::Kind::Text);
    EXPECT_EQ(child<QPlainTextEdit>(preview, "txtAnteprima")->toPlainText().trimmed(), s("Nota allegata."));
    const QString file = preview->file();
    EXPECT_TRUE(QFile::exists(file));
    preview->closeWindow();
    settle();
    EXPECT_FALSE(QFile::exists(file));

    // An answer to the sender, from the office's address.
    activate(main, viewer);
    child(viewer, "cmdRispondi")->click();
    QWidget *gen = active(main);
    ASSERT_NE(gen, nullptr);
    EXPECT_EQ(gen->objectName(), s("FrmEmailGen"));
    EXPECT_EQ(text(gen, "TxtMittente"), s("upr@asdemo.example"));
    EXPECT_EQ(text(gen, "TxtDestinatario"), s("mario.rossi@example.org"));
    EXPECT_EQ(text(gen, "TxtOggetto"), s("Re: Domanda di accesso agli atti"));
    auto *body = child<QPlainTextEdit>(gen, "TxtMessaggio");
    erase(gen, "TxtDestinatario");
    child(gen, "CmdInvia")->click();
    child<QLineEdit>(gen, "TxtDestinatario")->setText(s("mario.rossi"));
    child(gen, "CmdInvia")->click();
    child<QLineEdit>(gen, "TxtDestinatario")->setText(s("mario.rossi@example.org"));
    erase(gen, "TxtOggetto");
    child(gen, "CmdInvia")->click();
    child<QLineEdit>(gen, "TxtOggetto")->setText(s("Re: Domanda di accesso agli atti"));
    child(gen, "CmdInvia")->click();
    EXPECT_EQ(said(), kNoAddress + s("|") + kBadAddress + s("|") + kNoSubject + s("|") + kNoText);
    EXPECT_EQ(gen->focusWidget(), body);
    body->setPlainText(s("La domanda è stata protocollata."));
    child(gen, "CmdInvia")->click();
    EXPECT_TRUE(keptForRetry(said()));
    EXPECT_EQ(rows(s("SELECT Tab_Tipo, Tab_Mittente, Tab_Destinatari, Tab_Oggetto FROM Tab_PostaInviata")),
              QStringList{s("GENERALE|upr@asdemo.example|mario.rossi@example.org|Re: Domanda di accesso agli atti")});

    // Closing the list window takes the message file with it.
    const QString eml = emails->messageFile();
    activate(main, emails);
    child(emails, "cmdChiudi")->click();
    settle();
    EXPECT_FALSE(QFile::exists(eml));
}

TEST_P(MailWindows, SettingsNeverShowThePasswordAndKeepItWhenLeftEmpty)
{
    MDIMenu *main = startWithMail();
    ASSERT_NE(main, nullptr);
    QWidget *w = menu(main, "MnuCemail");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objectName(), s("FrmCambiaEmail"));
    erase(w, "TxtEmail");
    child(w, "CmdRegistra")->click();
    edit(w, "TxtEmail", s("giulia.conti"));
    child(w, "CmdRegistra")->click();
    EXPECT_EQ(said(), kNoMail + s("|") + kBadMail);
    EXPECT_EQ(w->focusWidget(), child<QLineEdit>(w, "TxtEmail"));

    edit(w, "TxtEmail", s("giulia.conti@asdemo.example"));
    edit(w, "TxtUtente", s("gconti"));
    edit(w, "TxtPassword", s("Segreta-1"));
    child(w, "CmdRegistra")->click();
    EXPECT_EQ(said(), kSettingsSaved);
    const QString where = s(" FROM Tab_Operatori WHERE Op_Codice_Operatore = 'DEMO9'");
    EXPECT_EQ(rows(s("SELECT Op_Email, Op_UserNameEmail, Op_Codoper") + where),
              QStringList{s("giulia.conti@asdemo.example|gconti|DEMO9")});
    const QString stored = rows(s("SELECT Op_PwdEmail") + where).value(0);
    EXPECT_FALSE(stored.contains(s("Segreta")));
    EXPECT_EQ(Cipher::decipher(stored).text, s("Segreta-1"));
    EXPECT_EQ(DicAmbiente::session().op.mailPassword, s("Segreta-1"));
    EXPECT_EQ(DicAmbiente::session().op.email, s("giulia.conti@asdemo.example"));
    // Never shown again; an empty field keeps it.
    EXPECT_EQ(text(w, "TxtPassword"), QString());
    EXPECT_EQ(child<QLineEdit>(w, "TxtPassword")->placeholderText(), s("invariata"));
    edit(w, "TxtUtente", s("giulia.conti"));
    child(w, "CmdRegistra")->click();
    EXPECT_EQ(said(), kSettingsSaved);
    EXPECT_EQ(rows(s("SELECT Op_UserNameEmail, Op_PwdEmail") + where), QStringList{s("giulia.conti|") + stored});

    // Opened again it shows the address and the account, not the password.
    child(w, "CmdEsci")->click();
    settle();
    w = menu(main, "MnuCemail");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(text(w, "TxtEmail"), s("giulia.conti@asdemo.example"));
    EXPECT_EQ(text(w, "TxtUtente"), s("giulia.conti"));
    EXPECT_EQ(text(w, "TxtPassword"), QString());
}

NIMBO_INSTANTIATE_ENGINES(MailWindows);

} // namespace
