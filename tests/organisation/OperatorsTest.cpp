// Operators, their further assignments, workstations and the change of
// working department, on the demo register of both engines.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProcess>
#include <QTableView>

#include "../schema/AdminRun.h"
#include "../ui/UiFixture.h"
#include "data/Cipher.h"
#include "data/Funzioni_Com_1.h"
#include "data/Password.h"
#include "organisation/FrmCambiaDip.h"
#include "organisation/FrmHelpUff.h"
#include "organisation/FrmOpDip.h"
#include "organisation/FrmOperatoriNew.h"
#include "organisation/FrmPostazioni.h"
#include "organisation/OperatorRules.h"
#include "organisation/Organisation.h"
#include "startup/MDIMenu.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

using nimbo::test::UiTest;
using namespace nimbo;
using organisation::FrmOperatoriNew;
namespace F = Funzioni_Com_1;

namespace {

class Operators : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        auto &op = DicAmbiente::session().op;
        op.code = QStringLiteral("DEMO9");
        op.level = 9;
        op.ente = QStringLiteral("001");
        op.department = QStringLiteral("PRO");
        op.office = QStringLiteral("UPR");
        const QString key = db().folder() + QStringLiteral("/nimbo.key");
        ASSERT_TRUE(Cipher::createKey(key));
        DicAmbiente::session().cfg.keyFile = key;
        organisation::registerOperatorWindows();
        organisation::registerStructureWindows();
    }
    static QLineEdit *campo(QWidget *w, int i) { return w->findChild<QLineEdit *>(QStringLiteral("Campo%1").arg(i)); }
    static void choose(QComboBox *c, const QString &data) { c->setCurrentIndex(c->findData(data)); }
    static void fill(QLineEdit *e, const QString &text)
    {
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, text);
    }
    // A complete new operator, typed as the clerk types it.
    void typeOperator(FrmOperatoriNew &w, const QString &code, const QString &cf)
    {
        w.ELABORATBAR(QStringLiteral("NUOVO"));
        fill(campo(&w, 0), code);
        fill(campo(&w, 1), QStringLiteral("Rossi"));
        fill(campo(&w, 2), QStringLiteral("Paolo"));
        fill(campo(&w, 3), QStringLiteral("Primavera26"));
        fill(campo(&w, 4), QStringLiteral("Primavera26"));
        choose(child<QComboBox>(&w, "ComboLivello"), QStringLiteral("7"));
        choose(child<QComboBox>(&w, "ComboAbilitazione"), QStringLiteral("0"));
        fill(campo(&w, 8), QStringLiteral("001"));
        fill(campo(&w, 9), QStringLiteral("PRO"));
        fill(campo(&w, 10), QStringLiteral("UPR"));
        fill(child<QLineEdit>(&w, "CF"), cf);
    }
    QString stored(const QString &code, const QString &column)
    {
        return scalar(QStringLiteral("SELECT %1 FROM Tab_Operatori WHERE Op_Codice_Operatore = '%2'").arg(column, code));
    }
};

TEST_P(Operators, EveryWrongFieldIsReportedAtOnceInOrder)
{
    FrmOperatoriNew w;
    w.show();
    w.ELABORATBAR(QStringLiteral("NUOVO"));
    EXPECT_EQ(w.toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA;PRECEDENTE;SUCCESSIVO"));
    fill(campo(&w, 0), QStringLiteral("DEMO6")); // taken
    fill(campo(&w, 3), QStringLiteral("abc"));
    fill(campo(&w, 4), QStringLiteral("abd"));
    fill(campo(&w, 8), QStringLiteral("001"));
    fill(campo(&w, 9), QStringLiteral("XXX"));
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.first().title, QStringLiteral("ATTENZIONE !!!"));
    EXPECT_EQ(boxes.shown.first().text.split(QLatin1Char('\n')),
              (QStringList{QStringLiteral("Il Campo Cognome Operatore  deve essere significativo e non vuoto !"),
                           QStringLiteral("Il Campo Nome Operatore  deve essere significativo e non vuoto !"),
                           QStringLiteral("Il Codice Operatore DEMO6 e' GIA' esistente !"),
                           QStringLiteral("Errore nella convalida della Password !"),
                           QStringLiteral("la Password deve essere composta da almeno 8 caratteri "),
                           QStringLiteral("Il Campo ABILITAZIONE PROTOCOLLO deve essere significativo !"),
                           QStringLiteral("Il Campo LIVELLO deve essere significativo !"),
                           QStringLiteral("Il dipartimento specificato non esiste in archivio !"),
                           QStringLiteral("Il Campo Ufficio Operatore  deve essere significativo e non vuoto !"),
                           QStringLiteral("Il Campo Codice Fiscale deve essere significativo !")}));
    EXPECT_EQ(w.focusWidget(), campo(&w, 1));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Operatori")), QStringLiteral("4"));
}

TEST_P(Operators, PasswordsAreHashedKeptAndChangedOnlyWhenTyped)
{
    FrmOperatoriNew w;
    w.show();
    typeOperator(w, QStringLiteral("ROSSIP"), QStringLiteral("RSSPLA80A01H501U"));
    // Functions ticked are withheld from the operator's menus.
    auto *functions = child<QListWidget>(&w, "lstAbil");
    ASSERT_GT(functions->count(), 1);
    functions->item(0)->setCheckState(Qt::Checked);
    const QString withheld = functions->item(0)->data(Qt::UserRole).toString();
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    ASSERT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QString hash = stored(QStringLiteral("ROSSIP"), QStringLiteral("Op_Password"));
    EXPECT_TRUE(Password::verify(QStringLiteral("Primavera26"), hash));
    EXPECT_EQ(stored(QStringLiteral("ROSSIP"), QStringLiteral("Op_Attivo")), QStringLiteral("S"));
    EXPECT_EQ(stored(QStringLiteral("ROSSIP"), QStringLiteral("Op_Funzioni")), QLatin1Char('-') + withheld + QLatin1Char('-'));
    EXPECT_EQ(stored(QStringLiteral("ROSSIP"), QStringLiteral("Op_Codoper")), QStringLiteral("DEMO9"));

    // Loaded: the password fields stay empty, an edit keeps the hash.
    ASSERT_TRUE(w.list()->select(0, QStringLiteral("ROSSIP")));
    QTest::keyClick(w.list()->view(), Qt::Key_Return);
    EXPECT_TRUE(campo(&w, 3)->text().isEmpty());
    EXPECT_TRUE(campo(&w, 13)->text().isEmpty());
    EXPECT_EQ(functions->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(w.toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA;DISATTIVA;PRECEDENTE;SUCCESSIVO"));
    fill(campo(&w, 2), QStringLiteral("Paolo Maria"));
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(stored(QStringLiteral("ROSSIP"), QStringLiteral("Op_Nome")), QStringLiteral("Paolo Maria"));
    EXPECT_EQ(stored(QStringLiteral("ROSSIP"), QStringLiteral("Op_Password")), hash);

    // A new password, and the mailbox password enciphered.
    ASSERT_TRUE(w.openRecord({{QStringLiteral("Op_Codice_Operatore"), QStringLiteral("ROSSIP")}}));
    fill(campo(&w, 3), QStringLiteral("Estate2026"));
    fill(campo(&w, 4), QStringLiteral("Estate2026"));
    fill(campo(&w, 13), QStringLiteral("posta-segreta"));
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(Password::verify(QStringLiteral("Estate2026"), stored(QStringLiteral("ROSSIP"), QStringLiteral("Op_Password"))));
    const QString mail = stored(QStringLiteral("ROSSIP"), QStringLiteral("Op_PwdEmail"));
    EXPECT_FALSE(mail.isEmpty());
    EXPECT_FALSE(mail.contains(QStringLiteral("segreta")));
    EXPECT_EQ(Cipher::decipher(mail).text, QStringLiteral("posta-segreta"));
    // Each change of the operator is in his log.
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Log_Tab_Operatori WHERE Op_Codice_Operatore = 'ROSSIP' "
                                    "AND Op_TipoOperazione_Log = 'I'")),
              QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Log_Tab_Operatori WHERE Op_Codice_Operatore = 'ROSSIP' "
                                    "AND Op_TipoOperazione_Log = 'U'")),
              QStringLiteral("2"));

    // The same tax code for another operator is refused; his own is not.
    typeOperator(w, QStringLiteral("VERDIP"), QStringLiteral("RSSPLA80A01H501U"));
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Esiste già un operatore con lo stesso Codice Fiscale")});
    EXPECT_EQ(w.focusWidget(), child<QLineEdit>(&w, "CF"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Operatori WHERE Op_Codice_Operatore = 'VERDIP'")),
              QStringLiteral("0"));
}

TEST_P(Operators, DeactivatedOperatorsCannotLogInAndTheLastAdministratorStays)
{
    FrmOperatoriNew w;
    w.show();
    ASSERT_TRUE(w.openRecord({{QStringLiteral("Op_Codice_Operatore"), QStringLiteral("DEMO7")}}));
    boxes.answers = {Answer::Yes};
    w.ELABORATBAR(QStringLiteral("DISATTIVA"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("CONFERMI LA DISATTIVAZIONE DEL CODICE OPERATORE CORRENTE ?")});
    EXPECT_EQ(stored(QStringLiteral("DEMO7"), QStringLiteral("Op_Attivo")), QStringLiteral("N"));
    EXPECT_EQ(w.toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA;ATTIVA;PRECEDENTE;SUCCESSIVO"));
    EXPECT_EQ(child<QLabel>(&w, "LblAttivo")->text(), QStringLiteral("Operatore non Attivo"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Op_TipoOperazione_Log || Op_Attivo || Op_Codoper FROM Log_Tab_Operatori "
                                    "WHERE Op_Codice_Operatore = 'DEMO7' ORDER BY ID DESC LIMIT 1")),
              QStringLiteral("UNDEMO9"));

    // DEMO9 is the body's only active level-9 operator: he may neither
    // switch himself off nor lower his level.
    ASSERT_TRUE(w.openRecord({{QStringLiteral("Op_Codice_Operatore"), QStringLiteral("DEMO9")}}));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("DISATTIVA"));
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.texts().first().contains(QStringLiteral("unico di livello 9"))) << boxes.texts().first().toStdString();
    EXPECT_EQ(stored(QStringLiteral("DEMO9"), QStringLiteral("Op_Attivo")), QStringLiteral("S"));
    fill(child<QLineEdit>(&w, "CF"), QStringLiteral("CNTGLI70A41G942X"));
    choose(child<QComboBox>(&w, "ComboLivello"), QStringLiteral("8"));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.texts().first().contains(QStringLiteral("unico di livello 9")));
    EXPECT_EQ(stored(QStringLiteral("DEMO9"), QStringLiteral("Op_Livello")), QStringLiteral("9"));
    // Nor leave the body for another one.
    choose(child<QComboBox>(&w, "ComboLivello"), QStringLiteral("9"));
    fill(campo(&w, 8), QStringLiteral("002"));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.texts().first().contains(QStringLiteral("unico di livello 9"))) << boxes.texts().first().toStdString();
    EXPECT_EQ(stored(QStringLiteral("DEMO9"), QStringLiteral("Op_Ente")), QStringLiteral("001"));
    fill(campo(&w, 8), QStringLiteral("001"));
    choose(child<QComboBox>(&w, "ComboLivello"), QStringLiteral("8"));
    // With a second administrator it goes through.
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_Livello = '9' WHERE Op_Codice_Operatore = 'DEMO8'"));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(stored(QStringLiteral("DEMO9"), QStringLiteral("Op_Livello")), QStringLiteral("8"));

    // The switched-off operator is turned away at the login.
    boxes.clear();
    EXPECT_NE(startAs(QStringLiteral("DEMO7"), QStringLiteral("demo7pwd")), StartUp::kRunning);
    EXPECT_TRUE(boxes.texts().contains(QStringLiteral("Codice Operatore non attivo"))) << boxes.texts().join(QLatin1Char('|')).toStdString();
    C_GestDB::closeLocalDatabase();
}

// A department head (level 8, the body's administration withheld from him,
// as the demo gives it) corrects his operators but gives nobody, himself
// included, a level or a function he does not hold; the generic server
// refuses the same write sent without the window.
TEST_P(Operators, NobodyGivesALevelOrAFunctionAboveHisOwn)
{
    auto &op = DicAmbiente::session().op;
    op.code = QStringLiteral("DEMO8");
    op.level = 8;
    op.functions = stored(QStringLiteral("DEMO8"), QStringLiteral("Op_Funzioni"));
    ASSERT_TRUE(op.functions.contains(QStringLiteral("-SE07-"))) << op.functions.toStdString();
    const QString sixWithheld = stored(QStringLiteral("DEMO6"), QStringLiteral("Op_Funzioni"));
    ASSERT_TRUE(sixWithheld.contains(QStringLiteral("-SE04-"))) << sixWithheld.toStdString();

    FrmOperatoriNew w;
    w.show();
    const auto registerShown = [&] {
        boxes.clear();
        w.ELABORATBAR(QStringLiteral("REGISTRA"));
        return boxes.texts().join(QLatin1Char('|'));
    };
    // Himself to 9: refused, nothing written.
    ASSERT_TRUE(w.openRecord({{QStringLiteral("Op_Codice_Operatore"), QStringLiteral("DEMO8")}}));
    fill(child<QLineEdit>(&w, "CF"), QStringLiteral("VRDLCU70A01G942X"));
    choose(child<QComboBox>(&w, "ComboLivello"), QStringLiteral("9"));
    EXPECT_TRUE(registerShown().contains(QStringLiteral("Livello 9 non consentito")));
    EXPECT_EQ(stored(QStringLiteral("DEMO8"), QStringLiteral("Op_Livello")), QStringLiteral("8"));

    // A clerk up to his own level, yes; above it, no.
    ASSERT_TRUE(w.openRecord({{QStringLiteral("Op_Codice_Operatore"), QStringLiteral("DEMO6")}}));
    fill(child<QLineEdit>(&w, "CF"), QStringLiteral("RSSMRA70A01G942X"));
    choose(child<QComboBox>(&w, "ComboLivello"), QStringLiteral("9"));
    EXPECT_TRUE(registerShown().contains(QStringLiteral("Livello 9 non consentito")));
    EXPECT_EQ(stored(QStringLiteral("DEMO6"), QStringLiteral("Op_Livello")), QStringLiteral("6"));
    choose(child<QComboBox>(&w, "ComboLivello"), QStringLiteral("8"));
    EXPECT_EQ(registerShown(), QString());
    EXPECT_EQ(stored(QStringLiteral("DEMO6"), QStringLiteral("Op_Livello")), QStringLiteral("8"));
    // Written again in the window's order, the same functions withheld.
    const QString rewritten = stored(QStringLiteral("DEMO6"), QStringLiteral("Op_Funzioni"));
    EXPECT_EQ(rewritten.split(QLatin1Char('-'), Qt::SkipEmptyParts).size(),
              sixWithheld.split(QLatin1Char('-'), Qt::SkipEmptyParts).size());

    // Enabling for him a function withheld from the head himself: refused.
    ASSERT_TRUE(w.openRecord({{QStringLiteral("Op_Codice_Operatore"), QStringLiteral("DEMO6")}}));
    fill(child<QLineEdit>(&w, "CF"), QStringLiteral("RSSMRA70A01G942X"));
    auto *functions = child<QListWidget>(&w, "lstAbil");
    ASSERT_NE(functions, nullptr);
    for (int i = 0; i < functions->count(); ++i)
        if (functions->item(i)->data(Qt::UserRole).toString() == QLatin1String("SE07"))
            functions->item(i)->setCheckState(Qt::Unchecked);
    EXPECT_TRUE(registerShown().contains(QStringLiteral("Funzione SE07 non consentita")));
    EXPECT_EQ(stored(QStringLiteral("DEMO6"), QStringLiteral("Op_Funzioni")), rewritten);

    // The same writes without the window.
    boxes.clear();
    EXPECT_FALSE(F::Update_Tabella({{QStringLiteral("R"), QStringLiteral("Tab_Operatori"),
                                     {{QStringLiteral("Op_Livello"), QStringLiteral("9")}},
                                     QStringLiteral("Op_Codice_Operatore = 'DEMO8'")}},
                                   QStringLiteral("PROTOCOLLO")));
    EXPECT_FALSE(F::Update_Tabella({{QStringLiteral("R"), QStringLiteral("Tab_Operatori"),
                                     {{QStringLiteral("Op_Funzioni"), QString()}},
                                     QStringLiteral("Op_Codice_Operatore = 'DEMO6'")}},
                                   QStringLiteral("PROTOCOLLO")));
    EXPECT_EQ(stored(QStringLiteral("DEMO8"), QStringLiteral("Op_Livello")), QStringLiteral("8"));
    EXPECT_EQ(stored(QStringLiteral("DEMO6"), QStringLiteral("Op_Funzioni")), rewritten);
    // What he holds he may still write: the head's own phone-number-like
    // change keeps level and functions as they are.
    EXPECT_TRUE(F::Update_Tabella({{QStringLiteral("R"), QStringLiteral("Tab_Operatori"),
                                    {{QStringLiteral("Op_Livello"), QStringLiteral("8")},
                                     {QStringLiteral("Op_Email"), QStringLiteral("verdi@asdemo.example")}},
                                    QStringLiteral("Op_Codice_Operatore = 'DEMO8'")}},
                                  QStringLiteral("PROTOCOLLO")));
}

TEST_P(Operators, SteppingThroughTheListStopsAtBothEnds)
{
    FrmOperatoriNew w;
    w.show();
    ASSERT_EQ(w.list()->count(), 4);
    w.ELABORATBAR(QStringLiteral("SUCCESSIVO"));
    const QString first = campo(&w, 0)->text();
    w.ELABORATBAR(QStringLiteral("PRECEDENTE"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral(
                                 "Non è possibile scorrere ulteriormente la lista. L'operatore visualizzato è il primo dell'elenco.")});
    for (int i = 0; i < 4; ++i)
        w.ELABORATBAR(QStringLiteral("SUCCESSIVO"));
    EXPECT_NE(campo(&w, 0)->text(), first);
    EXPECT_EQ(boxes.texts().last(),
              QStringLiteral("Non è possibile scorrere ulteriormente la lista. L'operatore visualizzato è l'ultimo dell'elenco."));
}

TEST_P(Operators, FurtherAssignmentsAddEveryOpenOfficeNotYetAssigned)
{
    // An office whose closed flag was never written is open.
    sql(QStringLiteral("INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione, Tab_Chiuso) "
                       "VALUES ('001', 'PRO', 'SPO', 'SPORTELLO', NULL)"));
    organisation::FrmOpDip w;
    w.setOperator(QStringLiteral("DEMO9"), QStringLiteral("CONTI GIULIA"));
    EXPECT_EQ(w.list()->count(), 1); // PRO/ARC
    choose(child<QComboBox>(&w, "CboEnti"), QStringLiteral("001"));
    auto *departments = child<QComboBox>(&w, "CboDipartimenti");
    choose(departments, QStringLiteral("PRO"));
    auto *offices = child<QComboBox>(&w, "CboUffici");
    EXPECT_EQ(offices->itemText(1), QStringLiteral("000 - Tutti"));
    EXPECT_NE(offices->findText(QStringLiteral("ECO - (*) ECONOMATO (Non Attivo)")), -1);
    // One office already there is refused.
    choose(offices, QStringLiteral("ARC"));
    child<QPushButton>(&w, "Command1")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("il dipartimento e l'ufficio selezionati sono già stati assegnati all'operatore")});
    // "Tutti": the closed ECO and the assigned ARC are left out.
    choose(offices, QStringLiteral("000"));
    child<QPushButton>(&w, "Command1")->click();
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Operatori_DIP WHERE Op_Codice = 'DEMO9'")), QStringLiteral("3"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Operatori_DIP WHERE Op_Codice = 'DEMO9' AND Op_Uff = 'UPR'")),
              QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Operatori_DIP WHERE Op_Codice = 'DEMO9' AND Op_Uff = 'SPO'")),
              QStringLiteral("1"));
    EXPECT_EQ(w.list()->count(), 3);
    // Removing asks, then takes the chosen row away.
    boxes.clear();
    child<QPushButton>(&w, "Command2")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Per poter effettuare la cancellazione selezionare un diparimento dall'elenco.")});
    ASSERT_TRUE(w.list()->select(4, QStringLiteral("UPR")));
    boxes.clear();
    boxes.answers = {Answer::Yes};
    child<QPushButton>(&w, "Command2")->click();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.texts().first().startsWith(QStringLiteral("CONFERMI LA CANCELLAZIONE DEL dipartimento: 001")));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Operatori_DIP WHERE Op_Codice = 'DEMO9'")), QStringLiteral("2"));
}

TEST_P(Operators, WorkstationsHaveFourCharacterCodesAndStayWhileARegisterUsesThem)
{
    organisation::FrmPostazioni w;
    w.show();
    EXPECT_EQ(w.toolbarKeys(), QStringLiteral("ESCI;NUOVO;AVVIA RICERCA"));
    EXPECT_EQ(w.list()->count(), 1);
    w.ELABORATBAR(QStringLiteral("NUOVO"));
    fill(child<QLineEdit>(&w, "TxtIdPost"), QStringLiteral("AB1"));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(boxes.texts(),
              QStringList{QStringLiteral("Il codice identificativo della postazionedeve essere di quattro caratteri")});
    // The field takes no more than the column's four characters.
    fill(child<QLineEdit>(&w, "TxtIdPost"), QStringLiteral("AB123"));
    EXPECT_EQ(child<QLineEdit>(&w, "TxtIdPost")->text(), QStringLiteral("AB12"));
    fill(child<QLineEdit>(&w, "TxtIdPost"), QStringLiteral("pst2"));
    // The office picker writes the station's place into the description.
    child<QPushButton>(&w, "CmdUfficio")->click();
    organisation::FrmHelpUff *picker = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *p = qobject_cast<organisation::FrmHelpUff *>(top); p && p->isVisible())
            picker = p;
    ASSERT_NE(picker, nullptr);
    auto *deps = child<QComboBox>(picker, "CboDipartimento");
    choose(deps, QStringLiteral("PRO"));
    choose(child<QComboBox>(picker, "CboUfficio"), QStringLiteral("UPR"));
    child<QPushButton>(picker, "CmdConferma")->click();
    EXPECT_TRUE(child<QLineEdit>(&w, "TxtDescrizione")->text().startsWith(QStringLiteral("Postazione  ")))
        << child<QLineEdit>(&w, "TxtDescrizione")->text().toStdString();
    EXPECT_TRUE(child<QLineEdit>(&w, "TxtDescrizione")->text().endsWith(QStringLiteral("UFFICIO PROTOCOLLO GENERALE")));
    fill(child<QLineEdit>(&w, "TxtDescrizione"), QStringLiteral("Sportello d'ingresso"));
    fill(child<QLineEdit>(&w, "TxtUtil"), QStringLiteral("NESSUNO"));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Il Codice utente specificato non è presente in archivio")});
    fill(child<QLineEdit>(&w, "TxtUtil"), QStringLiteral("DEMO6"));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Descrizione FROM Tab_Postazioni WHERE Ente = '001' AND ID_Postazione = 'PST2'")),
              QStringLiteral("Sportello d'ingresso"));
    // The search narrows the list.
    fill(child<QLineEdit>(&w, "TxtRicDescrizione"), QStringLiteral("ingresso"));
    w.ELABORATBAR(QStringLiteral("AVVIA RICERCA"));
    ASSERT_EQ(w.list()->count(), 1);
    EXPECT_EQ(w.list()->text(0, 0), QStringLiteral("PST2"));

    // An emergency register on PST1 keeps it.
    sql(QStringLiteral("INSERT INTO Tab_AnaRegistriEme (Tab_Ente, Tab_AnnoRegistro, Tab_TipoRegistro, Tab_IDRegistro, "
                       "Tab_NumeroRegistro) VALUES ('001', '2026', 'T', 'PST1', 1)"));
    ASSERT_TRUE(w.openRecord({{QStringLiteral("ID_Postazione"), QStringLiteral("PST1")}}));
    EXPECT_EQ(w.toolbarKeys(), QStringLiteral("ESCI;REGISTRA;CANCELLA;NUOVO;AVVIA RICERCA;ANNULLA"));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("CANCELLA"));
    EXPECT_EQ(boxes.texts(),
              QStringList{QStringLiteral("Cancellazione non possibile. Esistono informazioni correlate alla postazione in esame.")});
    ASSERT_TRUE(w.openRecord({{QStringLiteral("ID_Postazione"), QStringLiteral("PST2")}}));
    boxes.clear();
    w.ELABORATBAR(QStringLiteral("CANCELLA")); // answered Yes
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("CONFERMI LA CANCELLAZIONE DEL CODICE CORRENTE ?")});
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Postazioni WHERE ID_Postazione = 'PST2'")), QStringLiteral("0"));
}

TEST_P(Operators, TheMenuItemsOpenTheWindowsAndTheChangeOfDepartmentLastsTheSession)
{
    ASSERT_EQ(startAsDemoOperator(), StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
    auto *main = qobject_cast<MDIMenu *>(StartUp::mainWindow());
    ASSERT_NE(main, nullptr);
    const auto open = [&](const char *item) -> QWidget * {
        QAction *a = main->findChild<QAction *>(QLatin1String(item));
        EXPECT_NE(a, nullptr) << item;
        if (!a || !a->isEnabled())
            return nullptr;
        a->trigger();
        return main->area()->currentSubWindow() ? main->area()->currentSubWindow()->widget() : nullptr;
    };
    QWidget *ops = open("MnuServOper");
    ASSERT_NE(ops, nullptr);
    EXPECT_EQ(ops->objectName(), QStringLiteral("FrmOperatoriNew"));
    QWidget *stations = open("MnuPostazioni");
    ASSERT_NE(stations, nullptr);
    EXPECT_EQ(stations->objectName(), QStringLiteral("frmPostazioni"));
    // The further assignments open from the operator's detail.
    auto *editor = qobject_cast<FrmOperatoriNew *>(ops);
    ASSERT_TRUE(editor->openRecord({{QStringLiteral("Op_Codice_Operatore"), QStringLiteral("DEMO9")}}));
    child<QPushButton>(editor, "CmdAssocia")->click();
    auto *assignments = qobject_cast<organisation::FrmOpDip *>(main->area()->currentSubWindow()->widget());
    ASSERT_NE(assignments, nullptr);
    EXPECT_EQ(assignments->operatorCode(), QStringLiteral("DEMO9"));

    auto *change = qobject_cast<organisation::FrmCambiaDip *>(open("MnuCambia"));
    ASSERT_NE(change, nullptr);
    ASSERT_EQ(change->list()->count(), 2); // PRO/UPR, his own, and PRO/ARC
    ASSERT_TRUE(change->list()->select(4, QStringLiteral("ARC")));
    boxes.clear();
    child<QPushButton>(change, "CmdConferma")->click();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.texts().first().startsWith(QStringLiteral("Confermi la selezione dell'AREA ORGANIZZATIVA: 001")));
    EXPECT_TRUE(boxes.texts().first().contains(QStringLiteral("  - UFFICIO: ARC - ARCHIVIO GENERALE")));
    EXPECT_EQ(DicAmbiente::session().op.office, QStringLiteral("ARC"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(main->operatorText().contains(QStringLiteral("ARC"))) << main->operatorText().toStdString();
    C_GestDB::closeLocalDatabase();
}

TEST_P(Operators, TheInstallerCommandAndTheWindowAgreeOnOperators)
{
    // Made by the installer's command: listed and opened by the window.
    const auto r = test::admin(QStringList{QStringLiteral("add-operator")} + test::targetArgs(db())
                                   + QStringList{QStringLiteral("--code"), QStringLiteral("neri"), QStringLiteral("--level"),
                                                 QStringLiteral("6"), QStringLiteral("--ente"), QStringLiteral("001"),
                                                 QStringLiteral("--department"), QStringLiteral("PRO"), QStringLiteral("--office"),
                                                 QStringLiteral("UPR"), QStringLiteral("--surname"), QStringLiteral("NERI")},
                               "Autunno-2026\n");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    {
        FrmOperatoriNew w;
        w.show();
        ASSERT_TRUE(w.list()->select(0, QStringLiteral("NERI")));
        QTest::keyClick(w.list()->view(), Qt::Key_Return);
        EXPECT_EQ(campo(&w, 1)->text(), QStringLiteral("NERI"));
        EXPECT_EQ(child<QComboBox>(&w, "ComboLivello")->currentData().toString(), QStringLiteral("6"));
        EXPECT_EQ(campo(&w, 10)->text(), QStringLiteral("UPR"));
        EXPECT_FALSE(child<QLabel>(&w, "LblUfficio")->text().isEmpty());

        // Made in the window: logs in with the password typed there.
        typeOperator(w, QStringLiteral("ROSSIP"), QStringLiteral("RSSPLA80A01H501U"));
        w.ELABORATBAR(QStringLiteral("REGISTRA"));
        ASSERT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    }
    ASSERT_EQ(startAs(QStringLiteral("ROSSIP"), QStringLiteral("Primavera26")), StartUp::kRunning)
        << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(DicAmbiente::session().op.code, QStringLiteral("ROSSIP"));
    EXPECT_EQ(DicAmbiente::session().op.level, 7);
    C_GestDB::closeLocalDatabase();
}

NIMBO_INSTANTIATE_ENGINES(Operators);

} // namespace
