// The municipality table as the demo operator keeps it: "Comuni d'Italia"
// from the menu, the toolbar of the main window, the messages of each
// check, and a municipality that an address names refused for deletion.

#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolBar>

#include "ui/Keyboard.h"
#include "../ui/UiFixture.h"
#include "municipalities/FrmComuni.h"
#include "municipalities/MunicipalityWindows.h"
#include "organisation/Lookups.h"
#include "platform/Busy.h"
#include "startup/MDIMenu.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

using namespace nimbo;
using municipalities::FrmComuni;
using ui::RecordEditor;

namespace {

const QString kDone = QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE");

class Comuni : public test::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        municipalities::registerMunicipalityWindows();
    }
    // DEMO9 logs in and chooses "Comuni d'Italia".
    FrmComuni *open()
    {
        EXPECT_EQ(startAsDemoOperator(), StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
        main = qobject_cast<MDIMenu *>(StartUp::mainWindow());
        if (!main)
            return nullptr;
        auto *item = main->findChild<QAction *>(QStringLiteral("mnuComuni"));
        EXPECT_TRUE(item && item->isEnabled());
        if (!item)
            return nullptr;
        EXPECT_EQ(nimbo::ui::plainCaption(item), QStringLiteral("Comuni d'Italia"));
        return qobject_cast<FrmComuni *>(menu(main, "mnuComuni"));
    }
    void press(const char *key) { test::pressToolbar(main, key); }
    static void fill(QWidget *w, const char *name, const QString &text)
    {
        auto *e = child<QLineEdit>(w, name);
        ASSERT_NE(e, nullptr) << name;
        e->setFocus();
        e->selectAll();
        if (text.isEmpty())
            QTest::keyClick(e, Qt::Key_Delete);
        else
            QTest::keyClicks(e, text);
    }
    static void choose(FrmComuni *w, const QString &code)
    {
        ASSERT_TRUE(w->list()->select(0, code)) << code.toStdString();
        w->ELABORATBAR(QStringLiteral("VARIAZIONE"));
    }
    // REGISTRA; the one box it showed (empty when none).
    QString registra()
    {
        boxes.clear();
        press("REGISTRA");
        EXPECT_LE(boxes.shown.size(), 1) << boxes.texts().join(QLatin1Char('|')).toStdString();
        return boxes.texts().value(0);
    }

    MDIMenu *main = nullptr;
};

TEST_P(Comuni, OpensOnPotenzaFromTheMenuAndListsTheChosenProvince)
{
    FrmComuni *w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("GESTIONE TABELLA COMUNI"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("NUOVO;ESCI"));
    EXPECT_EQ(w->provinces()->count(), 107);
    EXPECT_EQ(w->provinces()->currentText(), QStringLiteral("Potenza - PZ"));
    EXPECT_EQ(w->provinces()->itemText(0), QStringLiteral("Agrigento - AG"));
    EXPECT_EQ(w->list()->count(), 100);
    EXPECT_EQ(w->list()->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Cod.x C.F."));
    ASSERT_TRUE(w->list()->select(0, QStringLiteral("076063")));
    const int potenza = w->list()->currentRow();
    EXPECT_EQ(w->list()->text(potenza, 1), QStringLiteral("Potenza"));
    EXPECT_EQ(w->list()->text(potenza, 2), QStringLiteral("85100"));
    EXPECT_EQ(w->list()->text(potenza, 4), QStringLiteral("G942"));

    w->provinces()->setCurrentIndex(w->provinces()->findData(QStringLiteral("AQ")));
    EXPECT_EQ(w->list()->count(), 108);
    EXPECT_TRUE(w->list()->select(1, QStringLiteral("L'Aquila")));
    w->provinces()->setCurrentIndex(w->provinces()->findData(QStringLiteral("BZ")));
    EXPECT_TRUE(w->list()->select(1, QStringLiteral("Bolzano/Bozen")));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
}

TEST_P(Comuni, FitsA1024x768MainWindowWithItsFieldsLabelled)
{
    main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    main->resize(1024, 768);
    QCoreApplication::processEvents();
    auto *w = qobject_cast<FrmComuni *>(menu(main, "mnuComuni"));
    ASSERT_NE(w, nullptr);
    test::expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/FrmComuni.png"));
    // With a municipality chosen too.
    press("NUOVO");
    test::expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/FrmComuni-nuovo.png"));
}

TEST_P(Comuni, WithoutPotenzaOpensOnTheFirstProvince)
{
    sql(QStringLiteral("DELETE FROM Tab_Provincie WHERE Prv_Sigla_Auto = 'PZ'"));
    FrmComuni *w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->provinces()->currentText(), QStringLiteral("Agrigento - AG"));
    EXPECT_EQ(w->list()->count(), 43);
}

TEST_P(Comuni, AddsChangesAndDeletesThroughTheToolbarWithEveryMessage)
{
    FrmComuni *w = open();
    ASSERT_NE(w, nullptr);
    QStringList waits;
    const int listener = busy::addListener([&waits] {
        if (!busy::waitText().isEmpty())
            waits << busy::waitText();
    });

    press("NUOVO");
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    EXPECT_EQ(child<QLineEdit>(w, "TxtProvincia")->text(), QStringLiteral("PZ"));
    EXPECT_EQ(child<QLineEdit>(w, "TxtStato")->text(), QStringLiteral("IT"));
    EXPECT_EQ(registra(), QStringLiteral("ATTENZIONE ! Codice Comune VUOTO !"));
    EXPECT_EQ(w->focusWidget(), child<QLineEdit>(w, "TxtCodice"));
    fill(w, "TxtCodice", QStringLiteral("076063"));
    EXPECT_EQ(registra(), QStringLiteral("ATTENZIONE ! Codice Comune già presente in archivio !"));
    fill(w, "TxtCodice", QStringLiteral("076901"));
    EXPECT_EQ(registra(), QStringLiteral("ATTENZIONE ! Denominazione Comune VUOTA !"));
    EXPECT_EQ(w->focusWidget(), child<QLineEdit>(w, "TxtComune"));
    fill(w, "TxtComune", QStringLiteral("Sant'Angelo d'Agri"));
    fill(w, "TxtProvincia", QString());
    EXPECT_EQ(registra(), QStringLiteral("ATTENZIONE ! Provincia di Apartenenza Vuota o Errata!"));
    fill(w, "TxtProvincia", QStringLiteral("xx"));
    EXPECT_EQ(child<QLineEdit>(w, "TxtProvincia")->text(), QStringLiteral("XX"));
    EXPECT_EQ(registra(), QStringLiteral("ATTENZIONE ! Provincia di Apartenenza Vuota o Errata!"));
    EXPECT_EQ(w->focusWidget(), child<QLineEdit>(w, "TxtProvincia"));
    fill(w, "TxtProvincia", QStringLiteral("PZ"));
    fill(w, "TxtCap", QStringLiteral("85099"));
    fill(w, "TxtCodCat", QStringLiteral("z901"));
    EXPECT_EQ(registra(), kDone);
    waits.removeDuplicates();
    EXPECT_EQ(waits, QStringList{QStringLiteral("OPERAZIONI DI REGISTRAZIONE IN CORSO ... ATTENDERE ...")});
    busy::removeListener(listener);
    EXPECT_EQ(w->editMode(), RecordEditor::Mode::Browse);
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;NUOVO"));
    EXPECT_EQ(w->list()->count(), 101);
    const QString row = QStringLiteral(" FROM Tab_Comuni WHERE Com_Codcom = '076901'");
    EXPECT_EQ(scalar(QStringLiteral("SELECT com_Comune || '|' || com_cap || '|' || com_codprov || '|' || com_codcat || "
                                    "'|' || com_stato || '|' || com_Codoper")
                     + row),
              QStringLiteral("Sant'Angelo d'Agri|85099|PZ|Z901|IT|DEMO9"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT com_Datoper") + row).left(10), QDate::currentDate().toString(Qt::ISODate));

    // Chosen from the list: the code is locked, the name is changed and the
    // town moved to another province, which the list then shows.
    choose(w, QStringLiteral("076901"));
    ASSERT_EQ(w->editMode(), RecordEditor::Mode::Edit);
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA;CANCELLA"));
    EXPECT_TRUE(child<QLineEdit>(w, "TxtCodice")->isReadOnly());
    EXPECT_EQ(child<QLineEdit>(w, "TxtComune")->text(), QStringLiteral("Sant'Angelo d'Agri"));
    fill(w, "TxtComune", QString());
    EXPECT_EQ(registra(), QStringLiteral("ATTENZIONE ! Denominazione Comune VUOTA !"));
    fill(w, "TxtComune", QStringLiteral("Sant'Angelo Le Fratte Nuova"));
    fill(w, "TxtProvincia", QStringLiteral("MT"));
    EXPECT_EQ(registra(), kDone);
    EXPECT_EQ(scalar(QStringLiteral("SELECT com_Comune || '|' || com_codprov") + row),
              QStringLiteral("Sant'Angelo Le Fratte Nuova|MT"));
    EXPECT_EQ(w->province(), QStringLiteral("MT"));
    EXPECT_TRUE(w->list()->select(0, QStringLiteral("076901")));

    // Deleted after the question; "No" keeps it.
    choose(w, QStringLiteral("076901"));
    boxes.clear();
    boxes.answers = {Answer::No};
    press("CANCELLA");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("CONFERMI LA CANCELLAZIONE DEL COMUNE CORRENTE ?")});
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*)") + row), QStringLiteral("1"));
    press("CANCELLA");
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*)") + row), QStringLiteral("0"));
    EXPECT_EQ(w->editMode(), RecordEditor::Mode::Browse);
    EXPECT_FALSE(w->list()->select(0, QStringLiteral("076901")));

    // A change that finds its row gone (another workstation deleted it).
    choose(w, QStringLiteral("077014"));
    sql(QStringLiteral("DELETE FROM Tab_Comuni WHERE Com_Codcom = '077014'"));
    fill(w, "TxtPrefTel", QStringLiteral("0835"));
    boxes.clear();
    press("REGISTRA");
    EXPECT_TRUE(boxes.texts().contains(QStringLiteral("OPERAZIONE NON ANDATA A BUON FINE")))
        << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(boxes.texts().contains(kDone));
    EXPECT_EQ(w->editMode(), RecordEditor::Mode::Edit);
}

TEST_P(Comuni, ThePostalCodesTheClerkWritesAreTheOnesTheLookupsFind)
{
    const auto found = [](const QString &cap) {
        QStringList codes;
        for (const ui::Match &m : organisation::findMunicipalities(cap, true))
            codes << m.code;
        return codes;
    };
    const auto caps = [this](const QString &town) {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ComuniCap WHERE Cap_Codcom = '") + town
                      + QLatin1Char('\''));
    };
    FrmComuni *w = open();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(found(QStringLiteral("85100")), QStringList{QStringLiteral("076063")});

    // A town's one code corrected: the old one no longer finds it.
    choose(w, QStringLiteral("076063"));
    fill(w, "TxtCap", QStringLiteral("85199"));
    EXPECT_EQ(registra(), kDone);
    EXPECT_EQ(found(QStringLiteral("85199")), QStringList{QStringLiteral("076063")});
    EXPECT_EQ(found(QStringLiteral("85100")), QStringList{});
    EXPECT_EQ(caps(QStringLiteral("076063")), QStringLiteral("1"));

    // A city with a code per district keeps them all beside the new one.
    w->provinces()->setCurrentIndex(w->provinces()->findData(QStringLiteral("RM")));
    const QString rome = caps(QStringLiteral("058091"));
    ASSERT_GT(rome.toInt(), 1);
    choose(w, QStringLiteral("058091"));
    fill(w, "TxtCap", QStringLiteral("00100"));
    EXPECT_EQ(registra(), kDone);
    EXPECT_EQ(found(QStringLiteral("00100")), QStringList{QStringLiteral("058091")});
    EXPECT_EQ(found(QStringLiteral("00118")), QStringList{QStringLiteral("058091")});
    EXPECT_EQ(caps(QStringLiteral("058091")).toInt(), rome.toInt() + 1);

    // A new town comes with its code, and takes it away when deleted.
    w->provinces()->setCurrentIndex(w->provinces()->findData(QStringLiteral("PZ")));
    press("NUOVO");
    fill(w, "TxtCodice", QStringLiteral("076901"));
    fill(w, "TxtComune", QStringLiteral("Borgo Nuovo"));
    fill(w, "TxtCap", QStringLiteral("85098"));
    EXPECT_EQ(registra(), kDone);
    EXPECT_EQ(caps(QStringLiteral("076901")), QStringLiteral("1"));
    EXPECT_EQ(found(QStringLiteral("85098")), QStringList{QStringLiteral("076901")});
    choose(w, QStringLiteral("076901"));
    boxes.answers = {Answer::Yes};
    press("CANCELLA");
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Comuni WHERE Com_Codcom = '076901'")), QStringLiteral("0"));
    EXPECT_EQ(caps(QStringLiteral("076901")), QStringLiteral("0"));
}

TEST_P(Comuni, AMunicipalityInUseIsNotDeleted)
{
    // A town nothing names yet, then named by one kind of record at a time.
    sql(QStringLiteral("INSERT INTO Tab_Comuni (Com_Codcom, com_Comune, com_codprov, com_stato) VALUES "
                       "('076902', 'Borgo Nuovo', 'PZ', 'IT')"));
    const struct {
        const char *use;
        const char *undo;
        const char *message;
    } uses[] = {
        {"UPDATE Tab_Rubrica SET Tab_ComuneUbicazione = '076902' WHERE Tab_Identificativo = 1",
         "UPDATE Tab_Rubrica SET Tab_ComuneUbicazione = '076063' WHERE Tab_Identificativo = 1",
         "da voci della rubrica dei Mittenti/Destinatari"},
        {"UPDATE Tab_Enti SET Ente_Comune = '076902'", "UPDATE Tab_Enti SET Ente_Comune = '076063'",
         "dall'indirizzo di un Ente"},
        {"UPDATE Tab_Dipartimenti SET Dipa_Comune = '076902' WHERE Dipa_CodDipartimento = 'OLD'",
         "UPDATE Tab_Dipartimenti SET Dipa_Comune = '076063' WHERE Dipa_CodDipartimento = 'OLD'",
         "dall'indirizzo di un Dipartimento"},
        {"UPDATE Tab_Uffici SET Tab_Comune = '076902' WHERE Tab_Ufficio = 'SOP'",
         "UPDATE Tab_Uffici SET Tab_Comune = '076063' WHERE Tab_Ufficio = 'SOP'", "dall'indirizzo di un Ufficio"},
    };
    FrmComuni *w = open();
    ASSERT_NE(w, nullptr);
    for (const auto &u : uses) {
        sql(QString::fromUtf8(u.use));
        choose(w, QStringLiteral("076902"));
        boxes.clear();
        press("CANCELLA");
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("ATTENZIONE ! Cancellazione del Comune non effettuabile: è "
                                                            "utilizzato ")
                                             + QString::fromUtf8(u.message) + QLatin1Char('.')})
            << u.use;
        sql(QString::fromUtf8(u.undo));
        // The department and office keep the town in their history.
        sql(QStringLiteral("DELETE FROM Tab_Dipartimenti_Storico WHERE DipaS_Comune = '076902'"));
        sql(QStringLiteral("DELETE FROM Tab_Uffici_Storico WHERE Tab_Comune = '076902'"));
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Comuni WHERE Com_Codcom = '076902'")), QStringLiteral("1"));
    // The town the demo's address book and offices use.
    choose(w, QStringLiteral("076063"));
    boxes.clear();
    press("CANCELLA");
    EXPECT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.value(0).icon, Icon::Warning);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Comuni WHERE Com_Codcom = '076063'")), QStringLiteral("1"));
    // Nothing names it any more: it goes.
    choose(w, QStringLiteral("076902"));
    boxes.clear();
    press("CANCELLA");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("CONFERMI LA CANCELLAZIONE DEL COMUNE CORRENTE ?")});
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Comuni WHERE Com_Codcom = '076902'")), QStringLiteral("0"));
}

NIMBO_INSTANTIATE_ENGINES(Comuni);

} // namespace
