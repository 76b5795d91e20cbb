// The entity, department and office editors as an operator uses them:
// reached from the menu and from each other's buttons, the toolbar keys
// pressed on the main window, what lands in the tables.

#include <QAction>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QTableView>
#include <QToolBar>

#include "ui/Keyboard.h"
#include "data/Cipher.h"
#include "organisation/Lookups.h"
#include "organisation/Organisation.h"
#include "organisation/OrganisationRules.h"
#include "startup/CreaTabMenu.h"
#include "startup/FunctionRights.h"
#include "startup/MDIMenu.h"
#include "ui/FormKit.h"
#include "ui/RecordEditor.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"
#include "ui/UiFixture.h"

using nimbo::test::UiTest;
using nimbo::ui::RecordEditor;
namespace WR = nimbo::WindowRegistry;
namespace org = nimbo::organisation;

namespace {

const QString kDone = QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE");
const QString kSaved = QStringLiteral("Registrazione effettuata con successo.");

class Editors : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        org::registerEditorWindows();
        nimbo::startup::registerStartupWindows();
    }
    void TearDown() override
    {
        main.reset();
        StartUp::shutdown();
        DicAmbiente::session().parm.enteCodiceAsl.clear();
        UiTest::TearDown();
    }
    // DEMO9's profile as the login leaves it, and the main window.
    void logIn()
    {
        const auto row =
            Funzioni_Com_1::Caricadati(QStringLiteral("PROTOCOLLO"), LoginRules::operatorQuery(QStringLiteral("DEMO9")));
        ASSERT_TRUE(row.has_value());
        LoginRules::storeOperator(*row);
        LoginRules::loadOperatorExtras();
        main = std::make_unique<MDIMenu>();
        main->resize(1024, 768);
        main->show();
    }
    RecordEditor *current() const
    {
        QMdiSubWindow *sub = main->area()->currentSubWindow();
        return sub ? qobject_cast<RecordEditor *>(sub->widget()) : nullptr;
    }
    void press(const char *key) { main->toolbarClicked(QString::fromLatin1(key)); }
    // The list whose view has the name.
    static nimbo::ui::RowList *list(QWidget *w, const char *view)
    {
        auto *v = w->findChild<QWidget *>(QLatin1String(view));
        return v ? qobject_cast<nimbo::ui::RowList *>(v->parentWidget()) : nullptr;
    }
    // Chooses the list row holding the code, as a click on it does.
    static void choose(RecordEditor *w, const char *view, const QString &code)
    {
        auto *l = list(w, view);
        ASSERT_NE(l, nullptr);
        ASSERT_TRUE(l->select(0, code)) << code.toStdString();
        w->ELABORATBAR(QStringLiteral("VARIAZIONE"));
    }
    static void fill(QWidget *w, const char *name, const QString &text)
    {
        auto *e = child<QLineEdit>(w, name);
        ASSERT_NE(e, nullptr) << name;
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, text);
    }
    static void pick(QWidget *w, const char *name, const QString &value)
    {
        auto *c = child<QComboBox>(w, name);
        ASSERT_NE(c, nullptr) << name;
        c->setCurrentIndex(c->findData(value));
    }

    std::unique_ptr<MDIMenu> main;
};

} // namespace

TEST_P(Editors, EntityFromTheMenuIsWrittenWithItsPasswordEnciphered)
{
    const QString key = db().folder() + QStringLiteral("/nimbo.key");
    ASSERT_TRUE(Cipher::createKey(key));
    // The fixture writes the configuration of the program it was made for.
    ASSERT_TRUE(QFile::link(DicAmbiente::configPath(db().folder(), QStringLiteral("test_ui")),
                            DicAmbiente::configPath(db().folder(), QCoreApplication::applicationName())));
    ASSERT_EQ(startAsDemoOperator(), StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
    DicAmbiente::session().cfg.keyFile = key;
    auto *mdi = qobject_cast<MDIMenu *>(StartUp::mainWindow());
    ASSERT_NE(mdi, nullptr);
    auto *item = mdi->findChild<QAction *>(QStringLiteral("mnuEnti"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(nimbo::ui::plainCaption(item), QStringLiteral("Anagrafe Enti"));
    ASSERT_TRUE(item->isEnabled());
    item->trigger();
    auto *w = qobject_cast<RecordEditor *>(mdi->area()->currentSubWindow()->widget());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objectName(), QStringLiteral("frmEnti"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;NUOVO"));
    EXPECT_EQ(list(w, "LwEnti")->count(), 1);

    mdi->toolbarClicked(QStringLiteral("NUOVO"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    fill(w, "TxtCodice", QStringLiteral("002"));
    fill(w, "TxtDenominazione", QStringLiteral("comune de l'aquila"));
    fill(w, "TxtIndirizzo", QStringLiteral("via roma 1"));
    // Two letters are too few to look a municipality up.
    type(w, "TxtCCom", QStringLiteral("L'"));
    ASSERT_EQ(boxes.texts(), QStringList{org::kTooShort});
    boxes.clear();
    type(w, "TxtCCom", QStringLiteral("L'AQ"));
    EXPECT_EQ(child<QLineEdit>(w, "TxtCCom")->text(), QStringLiteral("066049"));
    EXPECT_EQ(child<QLabel>(w, "LblComune")->text(), QStringLiteral("L'Aquila"));
    type(w, "TxtRegione", QStringLiteral("17"));
    EXPECT_EQ(child<QLabel>(w, "LblRegione")->text(), QStringLiteral("Basilicata"));
    fill(w, "TxtEmail", QStringLiteral("protocollo@aquila.example"));
    fill(w, "TxtPop", QStringLiteral("pop.aquila.example"));
    fill(w, "TxtSmtp", QStringLiteral("smtp.aquila.example"));
    fill(w, "TxtPwdPosta", QStringLiteral("segreta"));
    pick(w, "CboProtDip", QStringLiteral("N"));
    pick(w, "CboScanPost", QStringLiteral("S"));
    // The mailbox's own port is a number when given.
    fill(w, "TxtPortaImap", QStringLiteral("imap"));
    mdi->toolbarClicked(QStringLiteral("REGISTRA"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("inserire lun valore numerico")});
    EXPECT_EQ(w->focusWidget(), child<QLineEdit>(w, "TxtPortaImap"));
    boxes.clear();
    fill(w, "TxtPortaImap", QStringLiteral("993"));
    pick(w, "CboSicurezzaImap", QStringLiteral("SSL"));
    pick(w, "CboSicurezza", QStringLiteral("STARTTLS"));
    fill(w, "TxtUtentePosta", QStringLiteral("protocollo.aquila"));
    fill(w, "TxtCartella", QStringLiteral("INBOX"));
    mdi->toolbarClicked(QStringLiteral("REGISTRA"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(w->editMode(), RecordEditor::Mode::Browse);
    EXPECT_EQ(list(w, "LwEnti")->count(), 2);

    const QString where = QStringLiteral(" FROM Tab_Enti WHERE Ente_Codice = '002'");
    EXPECT_EQ(scalar(QStringLiteral("SELECT Ente_Denominazione") + where), QStringLiteral("COMUNE DE L'AQUILA"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Ente_Indirizzo") + where), QStringLiteral("VIA ROMA 1"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Ente_Comune") + where), QStringLiteral("066049"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Ente_Posta_PortaServer") + where), QStringLiteral("25"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Ente_Posta_PortaIMAP || '|' || Ente_Posta_SicurezzaIMAP || '|' || "
                                    "Ente_Posta_Sicurezza || '|' || Ente_Posta_Utente || '|' || Ente_Posta_Cartella")
                     + where),
              QStringLiteral("993|SSL|STARTTLS|protocollo.aquila|INBOX"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Ente_ProgressivoRubrica") + where), QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Ente_CodOper") + where), QStringLiteral("DEMO9"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Ente_DatOper") + where).left(10),
              QDate::currentDate().toString(Qt::ISODate));
    const QString stored = scalar(QStringLiteral("SELECT Ente_PWD_Posta") + where);
    EXPECT_FALSE(stored.contains(QStringLiteral("segreta")));
    EXPECT_EQ(Cipher::decipher(stored, key).text, QStringLiteral("segreta"));

    // Chosen again: the password is not shown, and a change that types none
    // keeps the stored one; the address-book progressive is left alone.
    sql(QStringLiteral("UPDATE Tab_Enti SET Ente_ProgressivoRubrica = 41 WHERE Ente_Codice = '002'"));
    choose(w, "LwEnti", QStringLiteral("002"));
    ASSERT_EQ(w->editMode(), RecordEditor::Mode::Edit);
    EXPECT_TRUE(child<QLineEdit>(w, "TxtPwdPosta")->text().isEmpty());
    EXPECT_EQ(child<QLineEdit>(w, "TxtPwdPosta")->placeholderText(), QStringLiteral("invariata"));
    EXPECT_EQ(child<QLabel>(w, "LblComune")->text(), QStringLiteral("L'Aquila"));
    EXPECT_TRUE(child<QLineEdit>(w, "TxtCodice")->isReadOnly());
    // Entities are never deleted.
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    EXPECT_EQ(child<QLineEdit>(w, "TxtUtentePosta")->text(), QStringLiteral("protocollo.aquila"));
    EXPECT_EQ(child<QComboBox>(w, "CboSicurezzaImap")->currentText(), QStringLiteral("SSL"));
    fill(w, "TxtPorta", QStringLiteral("465"));
    pick(w, "CboSicurezza", QStringLiteral("SSL"));
    mdi->toolbarClicked(QStringLiteral("REGISTRA"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Ente_Posta_PortaServer") + where), QStringLiteral("465"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Ente_Posta_Sicurezza") + where), QStringLiteral("SSL"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Ente_PWD_Posta") + where), stored);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Ente_ProgressivoRubrica") + where), QStringLiteral("41"));

    // The duplicate code is found in the list, before the empty fields.
    mdi->toolbarClicked(QStringLiteral("NUOVO"));
    fill(w, "TxtCodice", QStringLiteral("001"));
    mdi->toolbarClicked(QStringLiteral("REGISTRA"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("il Codice Ente digitato è già presente in archivio")});
    EXPECT_EQ(w->focusWidget(), child<QLineEdit>(w, "TxtCodice"));
    boxes.answers = {nimbo::Answer::Yes};
    mdi->toolbarClicked(QStringLiteral("ANNULLA"));
    C_GestDB::closeLocalDatabase();
}

TEST_P(Editors, ButtonsOpenDepartmentsOfficesAndCountersForTheChosenRecord)
{
    logIn();
    ASSERT_NE(WR::open(QStringLiteral("frmEnti")), nullptr);
    RecordEditor *entities = current();
    ASSERT_NE(entities, nullptr);
    // No entity chosen yet: nothing to count.
    EXPECT_FALSE(child(entities, "CmdStart")->isEnabled());
    choose(entities, "LwEnti", QStringLiteral("001"));
    EXPECT_TRUE(child(entities, "CmdStart")->isEnabled());
    child(entities, "CmdStart")->click();
    auto *counters = entities->findChild<QWidget *>(QStringLiteral("FrmStart"));
    ASSERT_NE(counters, nullptr);
    EXPECT_TRUE(counters->isModal());
    EXPECT_EQ(counters->property("entityCode").toString(), QStringLiteral("001"));
    EXPECT_EQ(counters->property("tableName").toString(), QStringLiteral("TAB_STARTPROTOCOLLO"));
    EXPECT_EQ(counters->windowTitle(), QStringLiteral("CONTATORI ENTE AZIENDA SANITARIA DEMO"));
    delete counters;

    child(entities, "CmdDip")->click();
    RecordEditor *departments = current();
    ASSERT_NE(departments, nullptr);
    EXPECT_EQ(departments->objectName(), QStringLiteral("frmDipartimenti"));
    EXPECT_EQ(departments->context(QStringLiteral("Dipa_CodiceEnte")), QStringLiteral("001"));
    EXPECT_EQ(departments->windowTitle(), QStringLiteral("Gestione Dipartimenti Ente AZIENDA SANITARIA DEMO"));
    EXPECT_EQ(departments->heading(), QStringLiteral("GESTIONE DIPARTIMENTI ENTE: AZIENDA SANITARIA DEMO"));
    EXPECT_EQ(list(departments, "LwDipartimenti")->count(), 4);

    child(departments, "CmdUff")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Selezionare un Dipartimento dall'eleco")});
    EXPECT_EQ(current(), departments);
    boxes.clear();
    choose(departments, "LwDipartimenti", QStringLiteral("PRO"));
    child(departments, "CmdStart")->click();
    counters = departments->findChild<QWidget *>(QStringLiteral("FrmStart"));
    ASSERT_NE(counters, nullptr);
    EXPECT_EQ(counters->property("departmentCode").toString(), QStringLiteral("PRO"));
    EXPECT_EQ(counters->property("tableName").toString(), QStringLiteral("TAB_STARTDIPARTIMENTI"));
    EXPECT_EQ(counters->windowTitle(), QStringLiteral("START DIPARTIMENTO DIPARTIMENTO AFFARI GENERALI"));
    delete counters;

    child(departments, "CmdUff")->click();
    RecordEditor *offices = current();
    ASSERT_NE(offices, nullptr);
    EXPECT_EQ(offices->objectName(), QStringLiteral("FrmUffici"));
    EXPECT_EQ(offices->context(QStringLiteral("Tab_Ente")), QStringLiteral("001"));
    EXPECT_EQ(offices->context(QStringLiteral("Tab_Dipartimento")), QStringLiteral("PRO"));
    EXPECT_EQ(offices->windowTitle(), QStringLiteral("Gestione Uffici Dip. DIPARTIMENTO AFFARI GENERALI"));
    EXPECT_EQ(offices->heading(), QStringLiteral("GESTIONE UFFICI DIP. DIPARTIMENTO AFFARI GENERALI"));
    EXPECT_EQ(list(offices, "LwUffici")->count(), 3);
    // The members window is not part of this installation yet.
    EXPECT_FALSE(child(offices, "CmdComponenti")->isEnabled());

    // Typing on an office, then another department's offices: "No" to
    // throwing the typing away leaves the window on its office and its
    // department, and REGISTRA keeps the office where it is.
    choose(offices, "LwUffici", QStringLiteral("UPR"));
    fill(offices, "TxtDescrizione", QStringLiteral("UFFICIO PROTOCOLLO GENERALE"));
    choose(departments, "LwDipartimenti", QStringLiteral("AMM"));
    boxes.clear();
    boxes.answers = {nimbo::Answer::No};
    child(departments, "CmdUff")->click();
    EXPECT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(offices->context(QStringLiteral("Tab_Dipartimento")), QStringLiteral("PRO"));
    EXPECT_EQ(offices->key().value(QStringLiteral("Tab_Ufficio")), QStringLiteral("UPR"));
    EXPECT_EQ(child<QLineEdit>(offices, "TxtDescrizione")->text(), QStringLiteral("UFFICIO PROTOCOLLO GENERALE"));
    EXPECT_EQ(list(offices, "LwUffici")->count(), 3);
    main->area()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(offices->parentWidget()));
    boxes.clear();
    press("REGISTRA");
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Dipartimento || ' ' || Tab_Descrizione FROM Tab_Uffici WHERE "
                                    "Tab_Ente = '001' AND Tab_Ufficio = 'UPR'")),
              QStringLiteral("PRO UFFICIO PROTOCOLLO GENERALE"));
    boxes.clear();

    // Another department brings the same offices window forward on it.
    choose(departments, "LwDipartimenti", QStringLiteral("AMM"));
    child(departments, "CmdUff")->click();
    EXPECT_EQ(current(), offices);
    EXPECT_EQ(offices->context(QStringLiteral("Tab_Dipartimento")), QStringLiteral("AMM"));
    EXPECT_EQ(list(offices, "LwUffici")->count(), 2);
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
}

// A department that owns recurring subjects or groups of correspondents
// stays; one that owns only empty counters goes with them.
TEST_P(Editors, DepartmentGoesOnlyWithNothingOfItsOwnLeftBehind)
{
    logIn();
    sql(QStringLiteral("INSERT INTO Tab_Dipartimenti (Dipa_CodiceEnte, Dipa_CodDipartimento, Dipa_Denominazione) "
                       "VALUES ('001', 'NUO', 'DIPARTIMENTO NUOVO')"));
    sql(QStringLiteral("INSERT INTO Tab_OggettiRicorrenti (Tab_Ente, Tab_Dipartimento, Tab_EU, Tab_OggettoR) VALUES "
                       "('001', 'NUO', 'E', 'RICHIESTA CERTIFICATO')"));
    sql(QStringLiteral("INSERT INTO Tab_RubricaGruppi (Tab_Ente, Tab_Dipartimento, Tab_Raggruppamento, "
                       "Tab_Identificativo) VALUES ('001', 'NUO', 'FORNITORI', 2)"));
    sql(QStringLiteral("INSERT INTO TAB_STARTDIPARTIMENTI (Tab_CodiceEnte, Tab_CodDipartimento, Tab_AnnoProtocollo) "
                       "VALUES ('001', 'NUO', 2026)"));
    auto *w = qobject_cast<RecordEditor *>(WR::open(QStringLiteral("frmDipartimenti")));
    ASSERT_NE(w, nullptr);
    w->setContext(QStringLiteral("Dipa_CodiceEnte"), QStringLiteral("001"));
    w->reloadList();
    const auto tryDelete = [&] {
        choose(w, "LwDipartimenti", QStringLiteral("NUO"));
        boxes.clear();
        boxes.answers = {nimbo::Answer::Yes};
        press("CANCELLA");
        return scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Dipartimenti WHERE Dipa_CodDipartimento = 'NUO'"));
    };
    EXPECT_EQ(tryDelete(), QStringLiteral("1"));
    EXPECT_EQ(boxes.texts(), QStringList{org::kDepartmentUsed});
    sql(QStringLiteral("DELETE FROM Tab_OggettiRicorrenti WHERE Tab_Dipartimento = 'NUO'"));
    press("ANNULLA");
    EXPECT_EQ(tryDelete(), QStringLiteral("1"));
    EXPECT_EQ(boxes.texts(), QStringList{org::kDepartmentUsed});
    sql(QStringLiteral("DELETE FROM Tab_RubricaGruppi WHERE Tab_Dipartimento = 'NUO'"));
    press("ANNULLA");
    EXPECT_EQ(tryDelete(), QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM TAB_STARTDIPARTIMENTI WHERE Tab_CodDipartimento = 'NUO'")),
              QStringLiteral("0"));
}

TEST_P(Editors, OfficeIsAddedClosedAndDeletedOnlyWhileUnused)
{
    logIn();
    auto *w = qobject_cast<RecordEditor *>(WR::open(QStringLiteral("FrmUffici")));
    ASSERT_NE(w, nullptr);
    w->setContext(QStringLiteral("Tab_Ente"), QStringLiteral("001"));
    w->setContext(QStringLiteral("Tab_Dipartimento"), QStringLiteral("PRO"));
    w->reloadList();
    press("NUOVO");
    // A new office starts today, open, and cannot be closed yet.
    auto *from = child<QLineEdit>(w, "TxtDataInizio");
    auto *to = child<QLineEdit>(w, "TxtDataFine");
    auto *closed = child<QComboBox>(w, "CboChiuso");
    EXPECT_EQ(from->text(), QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
    EXPECT_TRUE(nimbo::ui::looksReadOnly(from));
    EXPECT_TRUE(nimbo::ui::looksReadOnly(to));
    EXPECT_EQ(closed->currentText(), QStringLiteral("NO"));
    EXPECT_FALSE(closed->isEnabled());
    fill(w, "TxtCodice", QStringLiteral("arc"));
    fill(w, "TxtDescrizione", QStringLiteral("sportello de l'aquila"));
    fill(w, "TxtDomicilio", QStringLiteral("corso federico ii"));
    type(w, "TxtCCom", QStringLiteral("076063"));
    press("REGISTRA");
    // ARC is taken in this entity.
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Il Codice Ufficio è già presente nella tabella Uffici")});
    boxes.clear();
    fill(w, "TxtCodice", QStringLiteral("aq1"));
    press("REGISTRA");
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QString where = QStringLiteral(" FROM Tab_Uffici WHERE Tab_Ente = '001' AND Tab_Ufficio = 'AQ1'");
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Dipartimento") + where), QStringLiteral("PRO"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Descrizione") + where), QStringLiteral("SPORTELLO DE L'AQUILA"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Chiuso") + where), QStringLiteral("NO"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT tab_CodOper") + where), QStringLiteral("DEMO9"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_DataInizio") + where).left(10),
              QDate::currentDate().toString(Qt::ISODate));

    // Closing it: the closing date opens, the activation date stays locked.
    choose(w, "LwUffici", QStringLiteral("AQ1"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA;CANCELLA"));
    EXPECT_TRUE(nimbo::ui::looksReadOnly(from));
    EXPECT_FALSE(to->isReadOnly());
    EXPECT_TRUE(closed->isEnabled());
    closed->setCurrentIndex(closed->findData(QStringLiteral("SI")));
    press("REGISTRA");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("specificare la data di chiusura dell'ufficio")});
    EXPECT_EQ(w->focusWidget(), to);
    EXPECT_EQ(w->editMode(), RecordEditor::Mode::Edit);
    boxes.clear();
    to->setText(QDate::currentDate().addDays(1).toString(QStringLiteral("dd/MM/yyyy")));
    press("REGISTRA");
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Chiuso") + where), QStringLiteral("SI"));

    // UPR has members, operators and protocols: it stays, unasked.
    choose(w, "LwUffici", QStringLiteral("UPR"));
    press("CANCELLA");
    EXPECT_EQ(boxes.texts(), QStringList{org::kOfficeUsed});
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Uffici WHERE Tab_Ufficio = 'UPR'")), QStringLiteral("1"));
    boxes.clear();
    // AQ1 is used by nothing: asked, answered No, then Yes.
    choose(w, "LwUffici", QStringLiteral("AQ1"));
    boxes.answers = {nimbo::Answer::No};
    press("CANCELLA");
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*)") + where), QStringLiteral("1"));
    press("CANCELLA");
    EXPECT_EQ(boxes.texts(), QStringList(2, QStringLiteral("CONFERMI LA CANCELLAZIONE DEL CODICE CORRENTE ?")));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*)") + where), QStringLiteral("0"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;NUOVO"));
    EXPECT_EQ(list(w, "LwUffici")->count(), 3);
}

TEST_P(Editors, DetailWindowsReportTheirWritesAndAWriteThatFindsNoRowFails)
{
    logIn();
    auto *w = qobject_cast<RecordEditor *>(WR::open(QStringLiteral("frmGDipartimenti")));
    ASSERT_NE(w, nullptr);
    QSignalSpy saved(w, &RecordEditor::saved);
    w->setContext(QStringLiteral("Dipa_CodiceEnte"), QStringLiteral("001"));
    ASSERT_TRUE(w->openRecord({{QStringLiteral("Dipa_CodDipartimento"), QStringLiteral("SAN")}}));
    EXPECT_EQ(child<QLineEdit>(w, "TxtDataInizio")->text(), QStringLiteral("01/01/2000"));
    EXPECT_EQ(child<QLabel>(w, "LblComune")->text(), QStringLiteral("Potenza"));
    fill(w, "TxtTelefono", QStringLiteral("0971111111"));
    press("REGISTRA");
    EXPECT_EQ(boxes.texts(), QStringList{kSaved});
    EXPECT_EQ(saved.count(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Dipa_Telefono FROM Tab_Dipartimenti WHERE Dipa_CodDipartimento = 'SAN'")),
              QStringLiteral("0971111111"));
    // The detail stays on the record, but the counters wait for a new choice.
    EXPECT_EQ(w->editMode(), RecordEditor::Mode::Edit);
    EXPECT_FALSE(child(w, "CmdStart")->isEnabled());
    boxes.clear();

    // Someone removes the row behind the window's back.
    sql(QStringLiteral("DELETE FROM Tab_Dipartimenti WHERE Dipa_CodDipartimento = 'SAN'"));
    fill(w, "TxtTelefono", QStringLiteral("0971222222"));
    press("REGISTRA");
    EXPECT_FALSE(boxes.texts().contains(kDone));
    EXPECT_FALSE(boxes.texts().contains(kSaved));
    EXPECT_FALSE(boxes.shown.isEmpty());
    EXPECT_EQ(saved.count(), 1);
    EXPECT_EQ(w->editMode(), RecordEditor::Mode::Edit);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Dipartimenti WHERE Dipa_CodDipartimento = 'SAN'")),
              QStringLiteral("0"));
    boxes.answers = {nimbo::Answer::Yes};
    press("ANNULLA");
    boxes.clear();

    // A new department from the tree: code of up to 5, today's activation.
    auto *g = qobject_cast<RecordEditor *>(WR::open(QStringLiteral("frmGDipartimenti")));
    ASSERT_EQ(g, w);
    w->startNew();
    EXPECT_EQ(child<QLineEdit>(w, "TxtCodice")->maxLength(), 5);
    EXPECT_EQ(child<QLineEdit>(w, "TxtChiuso")->text(), QStringLiteral("NO"));
    EXPECT_TRUE(nimbo::ui::looksReadOnly(child<QLineEdit>(w, "TxtDataFine")));
    fill(w, "TxtCodice", QStringLiteral("aquil"));
    fill(w, "TxtDenominazione", QStringLiteral("dipartimento de l'aquila"));
    fill(w, "TxtDomicilio", QStringLiteral("via l'aquila 1"));
    type(w, "TxtCCom", QStringLiteral("076063"));
    press("REGISTRA");
    EXPECT_EQ(boxes.texts(), QStringList{kSaved});
    EXPECT_EQ(saved.count(), 2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Dipa_Denominazione FROM Tab_Dipartimenti WHERE Dipa_CodiceEnte = '001' "
                                    "AND Dipa_CodDipartimento = 'AQUIL'")),
              QStringLiteral("DIPARTIMENTO DE L'AQUILA"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Dipa_Comune FROM Tab_Dipartimenti WHERE Dipa_CodDipartimento = 'AQUIL'")),
              QStringLiteral("076063"));
}

// A department the tree made with a code of five letters, saved from the
// department list: its key stays, with its offices; a value longer than
// its field is refused, never written back cut.
TEST_P(Editors, SavingADepartmentFromTheListKeepsItsCodeAndNeverCutsAValue)
{
    sql(QStringLiteral("INSERT INTO Tab_Dipartimenti (Dipa_CodiceEnte, Dipa_CodDipartimento, Dipa_Denominazione, "
                       "Dipa_Domicilio, Dipa_Comune, Dipa_DataInizio, Dipa_Chiuso) VALUES ('001', 'AQUIL', "
                       "'DIPARTIMENTO DE L''AQUILA', 'VIA XX SETTEMBRE 1', '066049', '2020-01-01', 'NO')"));
    sql(QStringLiteral("INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione, "
                       "Tab_DataInizio, Tab_Chiuso) VALUES ('001', 'AQUIL', 'AQ1', 'SPORTELLO AQUILANO', "
                       "'2020-01-01', 'NO')"));
    logIn();
    auto *item = main->findChild<QAction *>(QStringLiteral("mnuEnti"));
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(nimbo::ui::plainCaption(item), QStringLiteral("Anagrafe Enti"));
    item->trigger();
    RecordEditor *entities = current();
    ASSERT_NE(entities, nullptr);
    choose(entities, "LwEnti", QStringLiteral("001"));
    child(entities, "CmdDip")->click();
    RecordEditor *departments = current();
    ASSERT_NE(departments, nullptr);
    ASSERT_EQ(departments->objectName(), QStringLiteral("frmDipartimenti"));
    choose(departments, "LwDipartimenti", QStringLiteral("AQUIL"));
    ASSERT_EQ(departments->editMode(), RecordEditor::Mode::Edit);
    EXPECT_EQ(child<QLineEdit>(departments, "TxtCodice")->text(), QStringLiteral("AQUIL"));
    fill(departments, "TxtTelefono", QStringLiteral("0862000000"));
    press("REGISTRA");
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Dipa_CodDipartimento || ' ' || Dipa_Telefono FROM Tab_Dipartimenti "
                                    "WHERE Dipa_Denominazione = 'DIPARTIMENTO DE L''AQUILA'")),
              QStringLiteral("AQUIL 0862000000"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Uffici u JOIN Tab_Dipartimenti d ON "
                                    "d.Dipa_CodiceEnte = u.Tab_Ente AND d.Dipa_CodDipartimento = u.Tab_Dipartimento "
                                    "WHERE u.Tab_Ufficio = 'AQ1'")),
              QStringLiteral("1"));

    // A name written longer than the field takes (by another program, or
    // before the lengths were one): the record is refused, and nothing is
    // written.
    const QString longName = QString(90, QLatin1Char('N'));
    sql(QStringLiteral("UPDATE Tab_Dipartimenti SET Dipa_Denominazione = '%1' WHERE Dipa_CodDipartimento = 'AQUIL'")
            .arg(longName));
    departments->reloadList();
    boxes.clear();
    choose(departments, "LwDipartimenti", QStringLiteral("AQUIL"));
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.texts().first().contains(QStringLiteral("\"Denominazione\" contiene 90 caratteri, più dei 80")))
        << boxes.texts().first().toStdString();
    EXPECT_EQ(departments->editMode(), RecordEditor::Mode::Browse);
    EXPECT_EQ(departments->toolbarKeys(), QStringLiteral("ESCI;NUOVO"));
    press("REGISTRA");
    EXPECT_EQ(scalar(QStringLiteral("SELECT Dipa_Denominazione FROM Tab_Dipartimenti WHERE "
                                    "Dipa_CodDipartimento = 'AQUIL'")),
              longName);
}

// An office closed and opened again from its window: the history records
// the reopening as an activation, and its viewer says so.
TEST_P(Editors, ReopenedOfficeIsRecordedAsAnActivation)
{
    org::registerStructureWindows();
    sql(QStringLiteral("INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione, "
                       "Tab_Domicilio, Tab_Comune, Tab_DataInizio, Tab_DataFine, Tab_Chiuso) VALUES ('001', 'PRO', "
                       "'AQ2', 'SPORTELLO CHIUSO', 'VIA ROMA 1', '076063', '2020-01-01', '2025-12-31', 'SI')"));
    logIn();
    main->findChild<QAction *>(QStringLiteral("mnuEnti"))->trigger();
    RecordEditor *entities = current();
    ASSERT_NE(entities, nullptr);
    choose(entities, "LwEnti", QStringLiteral("001"));
    child(entities, "CmdDip")->click();
    RecordEditor *departments = current();
    choose(departments, "LwDipartimenti", QStringLiteral("PRO"));
    child(departments, "CmdUff")->click();
    RecordEditor *offices = current();
    ASSERT_EQ(offices->objectName(), QStringLiteral("FrmUffici"));
    choose(offices, "LwUffici", QStringLiteral("AQ2"));
    pick(offices, "CboChiuso", QStringLiteral("NO"));
    child<QLineEdit>(offices, "TxtDataFine")->clear();
    press("REGISTRA");
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QString last = QStringLiteral(" FROM Tab_Uffici_Storico WHERE Tab_Ufficio = 'AQ2' AND ID = (SELECT MAX(ID) "
                                        "FROM Tab_Uffici_Storico WHERE Tab_Ufficio = 'AQ2')");
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_TipoOperazione || ' ' || Tab_Chiuso") + last), QStringLiteral("A NO"));
    // A change of the open office is a change, and closing it again a close.
    choose(offices, "LwUffici", QStringLiteral("AQ2"));
    fill(offices, "TxtDescrizione", QStringLiteral("sportello riaperto"));
    press("REGISTRA");
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_TipoOperazione") + last), QStringLiteral("M"));

    main->findChild<QAction *>(QStringLiteral("MnuStoUff"))->trigger();
    QWidget *viewer = main->area()->currentSubWindow()->widget();
    auto *picker = child<QComboBox>(viewer, "CboDipartimento");
    ASSERT_NE(picker, nullptr);
    picker->setCurrentIndex(picker->findData(QStringLiteral("PRO")));
    auto *records = list(viewer, "LwElenco");
    ASSERT_TRUE(records->select(0, QStringLiteral("AQ2")));
    QTest::keyClick(records->view(), Qt::Key_Return);
    auto *changes = list(viewer, "LwVariazioni");
    ASSERT_EQ(changes->count(), 3);
    EXPECT_EQ(changes->text(0, 1), QStringLiteral("ATTIVAZIONE UFFICIO"));
    EXPECT_EQ(changes->text(1, 1), QStringLiteral("ATTIVAZIONE UFFICIO"));
    EXPECT_EQ(changes->text(2, 1), QStringLiteral("MODIFICA UFFICIO"));
}

TEST_P(Editors, OperationalUnitsRenameTheOfficeWindows)
{
    logIn();
    DicAmbiente::session().parm.enteCodiceAsl = QStringLiteral("104");
    auto *departments = qobject_cast<RecordEditor *>(WR::open(QStringLiteral("frmDipartimenti")));
    ASSERT_NE(departments, nullptr);
    departments->setContext(QStringLiteral("Dipa_CodiceEnte"), QStringLiteral("001"));
    departments->reloadList();
    choose(departments, "LwDipartimenti", QStringLiteral("AMM"));
    child(departments, "CmdUff")->click();
    RecordEditor *units = current();
    ASSERT_NE(units, nullptr);
    EXPECT_EQ(units->windowTitle(), QStringLiteral("Gestione Unità Operative DIPARTIMENTO AMMINISTRATIVO"));
    EXPECT_EQ(units->heading(), QStringLiteral("GESTIONE UNITA' OPERATIVE DIPARTIMENTO AMMINISTRATIVO"));
    EXPECT_EQ(child(units, "CmdComponenti")->text(), QStringLiteral("Gestione Uffici "));
    EXPECT_EQ(child<QGroupBox>(units, "FraUfficio")->title(), QStringLiteral("Dettaglio Unità Operativa"));
    EXPECT_EQ(list(units, "LwUffici")->toolTip(), QStringLiteral("Elenco Unità Operative"));
}

TEST_P(Editors, EveryEditorFitsTheMainWindowWithItsFieldsLabelled)
{
    logIn();
    for (const char *name : {"frmEnti", "frmGEnti", "frmDipartimenti", "frmGDipartimenti", "FrmUffici", "FrmGUffici"}) {
        SCOPED_TRACE(name);
        QWidget *w = WR::open(QString::fromLatin1(name));
        ASSERT_NE(w, nullptr);
        QMdiSubWindow *sub = main->area()->currentSubWindow();
        // The department list, empty and narrow here, still has one pixel
        // to scroll sideways: the window is checked without its list.
        if (QLatin1String(name) == QLatin1String("frmDipartimenti"))
            list(w, "LwDipartimenti")->view()->setObjectName(QString());
        nimbo::test::expectFitsWithFieldsLabelled(main.get(), w,
                                           db().folder() + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
        sub->close();
    }
}

TEST(EntitiesItem, SharesTheRightOfTheStructureItem)
{
    QWidget holder;
    QList<QAction *> items;
    for (const char *name : {"mnudatiente", "mnuEnti", "MnuStoDipe"}) {
        auto *a = new QAction(&holder);
        a->setObjectName(QLatin1String(name));
        a->setProperty(FunctionRights::kTagProperty, QString());
        items << a;
    }
    const QHash<QString, QString> codes{{QStringLiteral("mnudatiente"), QStringLiteral("SE08")},
                                        {QStringLiteral("mnuEnti"), QStringLiteral("SE18")},
                                        {QStringLiteral("MnuStoDipe"), QStringLiteral("SE11")}};
    FunctionRights::apply(items, codes, QStringLiteral("-SE08-"));
    EXPECT_FALSE(items[0]->isEnabled());
    EXPECT_FALSE(items[1]->isEnabled());
    EXPECT_TRUE(items[2]->isEnabled());
    FunctionRights::apply(items, codes, QStringLiteral("-SE18-SE11-"));
    EXPECT_TRUE(items[0]->isEnabled());
    EXPECT_TRUE(items[1]->isEnabled());
    EXPECT_FALSE(items[2]->isEnabled());
}

NIMBO_INSTANTIATE_ENGINES(Editors);
