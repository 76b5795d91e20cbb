// The registration from a paper emergency register as the clerk reaches it:
// "Recupero da Registro Cartaceo" in the main menu, its toolbar and
// captions, every check in its order with its message, the question about
// a protocol with the same subject, and the protocol registered with its
// paper register and number, which cannot be brought in a second time.

#include <QRadioButton>

#include "../ui/UiFixture.h"
#include "corrections/Corrections.h"
#include "corrections/ManualWindow.h"
#include "iter/Iter.h"
#include "ui/ProtocolNumber.h"

using namespace nimbo;

namespace {

class ManualWindow : public test::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        protocol::registerProtocolWindows();
        iter::registerIterWindows();
        corrections::registerCorrectionWindows();
        sql(QStringLiteral("INSERT INTO Tab_AnaRegistriEme (Tab_Ente, Tab_AnnoRegistro, Tab_TipoRegistro, Tab_IDRegistro, "
                           "Tab_NumeroRegistro, Tab_NoteRegistro) VALUES ('001', '%1', 'C', 'CART', 1, 'Registro "
                           "cartaceo dello sportello')")
                .arg(year));
    }
    static QString day(int fromToday)
    {
        return QDate::currentDate().addDays(fromToday).toString(QStringLiteral("dd/MM/yyyy"));
    }
    static void set(QWidget *w, const char *name, const QString &value)
    {
        auto *e = w->findChild<QLineEdit *>(QLatin1String(name));
        ASSERT_NE(e, nullptr) << name;
        e->setText(value);
    }
    // REGISTRA; the text of the box it showed, empty when none.
    QString registerShown(MDIMenu *main)
    {
        const qsizetype before = boxes.texts().size();
        press(main, "REGISTRA");
        return boxes.texts().size() > before ? boxes.texts().last() : QString();
    }
    // A complete paper registration on a window after NUOVO.
    void fill(QWidget *w, const QString &number, const QString &subject)
    {
        child<QRadioButton>(w, "OptTipoProtocollo_0")->click();
        set(w, "txtAnno", year);
        set(w, "TxtidReg", QStringLiteral("CART"));
        set(w, "TxtNumReg", QStringLiteral("1"));
        set(w, "TxtNProtoEme", number);
        set(w, "TxtDProtoEme", day(-2));
        set(w, "DataRicezione", day(-3));
        edit(w, "CodiceMitDest", QStringLiteral("2"));
        edit(w, "CodTipoDoc", QStringLiteral("LET"));
        set(w, "Oggetto", subject);
        edit(w, "CodSedeRic", QStringLiteral("PRO"));
        edit(w, "CodUfficio", QStringLiteral("UPR"));
    }
    QString stored(const QString &number)
    {
        return scalar(QStringLiteral("SELECT Tab_RegistroTemporaneo || '#' || Tab_ProtocolloTemporaneo || '#' || "
                                     "Tab_Oggetto FROM Tab_Protocollo WHERE Tab_NumeroProtocollo = '")
                      + storedNumber(number) + QLatin1Char('\''));
    }
    QString count() { return scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")); }

    const QString year = QString::number(QDate::currentDate().year());
};

TEST_P(ManualWindow, ChecksThePaperRegisterInOrderBeforeTheCommonChecks)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    auto *w = qobject_cast<corrections::FrmProtoManuale *>(menu(main, "MnuCartaceo"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Registrazione Protocolli da registro manuale"));
    EXPECT_EQ(test::shownToolbar(main), QStringLiteral("ESCI;NUOVO"));
    press(main, "NUOVO");
    EXPECT_EQ(test::shownToolbar(main), QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    EXPECT_EQ(w->statusText(), QStringLiteral("Registrazione Protocollo da registro manuale"));
    // The paper document came before the day it is brought in.
    EXPECT_EQ(text(w, "DataRicezione"), QString());
    // The paper register's fields with their captions, nothing cut.
    for (const char *name : {"txtAnno", "TxtidReg", "TxtNumReg", "TxtNProtoEme", "TxtDProtoEme"}) {
        bool labelled = false;
        for (QLabel *l : w->findChildren<QLabel *>())
            labelled = labelled || (l->buddy() == child<QLineEdit>(w, name) && !l->text().isEmpty());
        EXPECT_TRUE(labelled) << name;
    }
    EXPECT_EQ(test::cutTexts(w).join(QLatin1Char('\n')).toStdString(), "");

    // The direction names the correspondent, the department and the assignment.
    const auto captions = [w] {
        QString department;
        for (QLabel *l : w->findChildren<QLabel *>())
            if (l->buddy() && l->buddy()->objectName() == QLatin1String("CodSedeRic"))
                department = l->text();
        return child(w, "CmdMitDest")->text() + QLatin1Char('|') + department + QLatin1Char('|')
               + child(w, "btnTB_9")->text();
    };
    child<QRadioButton>(w, "OptTipoProtocollo_1")->click();
    EXPECT_EQ(captions(), QStringLiteral("Destinatario|Dipart. Spedizione|Trasmetti"));
    child<QRadioButton>(w, "OptTipoProtocollo_0")->click();
    EXPECT_EQ(captions(), QStringLiteral("Mittente|Dipart. Destinatario|Assegna"));
    press(main, "ANNULLA");
    EXPECT_EQ(test::shownToolbar(main), QStringLiteral("ESCI;NUOVO"));
    press(main, "NUOVO");

    EXPECT_EQ(registerShown(main), QStringLiteral("Indicare se il protocollo è di Entrata o di Uscita"));
    child<QRadioButton>(w, "OptTipoProtocollo_0")->click();
    EXPECT_EQ(registerShown(main), QStringLiteral("Specificare l'anno del registro di emergenza."));
    set(w, "txtAnno", year);
    EXPECT_EQ(registerShown(main), QStringLiteral("Specificare il codice identificativo del registro di emergenza."));
    set(w, "TxtidReg", QStringLiteral("CAR"));
    EXPECT_EQ(registerShown(main),
              QStringLiteral("Il codice identificativo del registro di emergenza deve essere di 4 caratteri."));
    set(w, "TxtidReg", QStringLiteral("CART"));
    EXPECT_EQ(registerShown(main), QStringLiteral("Specificare il progressivo del registro di emergenza."));
    // Register 2 of CART and the electronic register of the workstation are not coded as paper.
    set(w, "TxtNumReg", QStringLiteral("2"));
    EXPECT_EQ(registerShown(main), QStringLiteral("IL Registro cartaceo indicato non è stato codificato."));
    sql(QStringLiteral("INSERT INTO Tab_AnaRegistriEme (Tab_Ente, Tab_AnnoRegistro, Tab_TipoRegistro, Tab_IDRegistro, "
                       "Tab_NumeroRegistro) VALUES ('001', '%1', 'T', 'PST1', 1)")
            .arg(year));
    set(w, "TxtidReg", QStringLiteral("PST1"));
    set(w, "TxtNumReg", QStringLiteral("1"));
    EXPECT_EQ(registerShown(main), QStringLiteral("IL Registro cartaceo indicato non è stato codificato."));
    set(w, "TxtidReg", QStringLiteral("CART"));
    EXPECT_EQ(registerShown(main), QStringLiteral("Specificare il numero di protocollo assegnato in emergenza."));
    set(w, "TxtNProtoEme", QStringLiteral("15"));
    EXPECT_EQ(registerShown(main), QStringLiteral("Specificare la data di effettuazione del protocollo in emergenza."));
    set(w, "TxtDProtoEme", day(-2));
    EXPECT_EQ(registerShown(main), QStringLiteral("Indicare la data di ricezione"));
    set(w, "DataRicezione", day(-1));
    EXPECT_EQ(registerShown(main),
              QStringLiteral("La DATA RICEZIONE deve essere minore o uguale della data del protocollo di emergenza."));
    set(w, "DataRicezione", day(-3));
    set(w, "TxtDProtoEme", day(1));
    EXPECT_EQ(registerShown(main),
              QStringLiteral("La DATA di protocollazione in emergenza deve essere minore o uguale della data corrente."));
    set(w, "TxtDProtoEme", day(-2));
    // Then the registration window's own checks, with their messages.
    EXPECT_EQ(registerShown(main), QStringLiteral("IL codice Mittente/Destinatario deve essere numerico."));
    EXPECT_EQ(count(), QStringLiteral("0"));
}

TEST_P(ManualWindow, RegistersWithThePaperNumberAndRefusesItASecondTime)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    auto *w = qobject_cast<corrections::FrmProtoManuale *>(menu(main, "MnuCartaceo"));
    ASSERT_NE(w, nullptr);
    press(main, "NUOVO");
    fill(w, QStringLiteral("15"), QStringLiteral("Esposto scritto a mano"));
    EXPECT_EQ(registerShown(main), QString()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QString first = text(w, "txtNumeroProtocollo");
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(stored(first), year + QStringLiteral("CCART001#0000015|") + day(-2) + QStringLiteral("#Esposto scritto a mano"));
    EXPECT_EQ(w->statusText(), QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE!"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("NUOVO;ESCI;ANNULLA;REGISTRA"));
    for (int i = 0; i < protocol::FrmProtocollo::kButtons; ++i)
        EXPECT_EQ(child(w, qPrintable(QStringLiteral("btnTB_%1").arg(i)))->isEnabled(), i <= 3) << i;
    EXPECT_TRUE(child<QLineEdit>(w, "TxtNProtoEme")->isReadOnly());

    // Another paper number with the same subject as an incoming protocol:
    // the question names it; "No" registers nothing, "Si" goes on.
    press(main, "NUOVO");
    EXPECT_EQ(text(w, "TxtNProtoEme"), QString());
    fill(w, QStringLiteral("16"), QStringLiteral("Esposto scritto a mano"));
    boxes.answers = {Answer::No};
    const QString question = registerShown(main);
    EXPECT_EQ(question, QStringLiteral("ATTENZIONE! Esiste già il seguente documento protocollato con lo stesso oggetto: E/")
                            + first + QStringLiteral(" del ") + day(0)
                            + QStringLiteral("\n\nSe vuoi effettuare comunque la registrazione premi 'SI' altrimenti premi "
                                             "'NO'."));
    EXPECT_EQ(count(), QStringLiteral("1"));
    boxes.answers = {Answer::Yes};
    EXPECT_EQ(registerShown(main), question);
    const QString second = text(w, "txtNumeroProtocollo");
    EXPECT_EQ(stored(second), year + QStringLiteral("CCART001#0000016|") + day(-2) + QStringLiteral("#Esposto scritto a mano"));

    // The first paper number again, typed with another day: refused before
    // anything is sent.
    press(main, "NUOVO");
    fill(w, QStringLiteral("15"), QStringLiteral("Altro oggetto"));
    set(w, "TxtDProtoEme", day(-1));
    EXPECT_EQ(registerShown(main), QStringLiteral("IL protocollo specificato è già stato inserito in archivio."));
    EXPECT_EQ(count(), QStringLiteral("2"));
    EXPECT_EQ(test::shownToolbar(main), QStringLiteral("ESCI;REGISTRA;ANNULLA"));
}

NIMBO_INSTANTIATE_ENGINES(ManualWindow);

} // namespace
