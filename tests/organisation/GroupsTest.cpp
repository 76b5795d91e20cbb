// The groups of offices window, opened from its menu item as DEMO9 on
// both engines: new groups, names with apostrophes, renaming, the empty
// list, deletion.

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QTableView>
#include <QTreeView>

#include "../ui/UiFixture.h"
#include "organisation/FrmGruppiUffici.h"
#include "organisation/Organisation.h"
#include "startup/MDIMenu.h"
#include "ui/RecordEditor.h"
#include "ui/RowList.h"
#include "ui/TreeModel.h"

using namespace nimbo;
using nimbo::organisation::FrmGruppiUffici;

namespace {

const QString kTitle = QStringLiteral("Gestione Raggruppamenti Uffici");
const QString kName = QStringLiteral("UFFICI DELL'AREA");

class Groups : public test::UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        organisation::registerMemberWindows();
        ASSERT_EQ(startAsDemoOperator({QStringLiteral("SET OLEGP=") + kProtocolProgId}), StartUp::kRunning)
            << boxes.texts().join(QLatin1Char('|')).toStdString();
        main = qobject_cast<MDIMenu *>(StartUp::mainWindow());
        ASSERT_NE(main, nullptr);
        QCoreApplication::processEvents();
        boxes.clear();
        auto *item = main->findChild<QAction *>(QStringLiteral("MnuRUffici"));
        ASSERT_NE(item, nullptr);
        ASSERT_TRUE(item->isEnabled());
        item->trigger();
        w = main->findChild<FrmGruppiUffici *>();
        ASSERT_NE(w, nullptr);
    }
    void TearDown() override
    {
        StartUp::shutdown();
        C_GestDB::closeLocalDatabase();
        UiTest::TearDown();
    }
    // A row list found by the name of its view.
    ui::RowList *rowList(const char *view)
    {
        auto *v = child<QTableView>(w, view);
        return v ? qobject_cast<ui::RowList *>(v->parentWidget()) : nullptr;
    }
    ui::RowList *groups() { return rowList("LwGruppi"); }
    ui::RowList *members() { return rowList("LWMittenti"); }
    QStringList press(const char *key)
    {
        boxes.clear();
        w->ELABORATBAR(QLatin1String(key));
        return boxes.texts();
    }
    void typeName(const QString &name)
    {
        auto *e = child<QLineEdit>(w, "TxtGruppo");
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        QTest::keyClicks(e, name);
    }
    // Picks the department, then the office or member by its key
    // ("UPR" or "UPR|2") and clicks the transfer button.
    void transfer(const QString &department, const QString &key)
    {
        auto *deps = child<QComboBox>(w, "CboDipartimento");
        deps->setCurrentIndex(deps->findData(department));
        auto *tree = child<QTreeView>(w, "TvUffici");
        auto *model = qobject_cast<ui::TreeModel *>(tree->model());
        const QModelIndex at = model->indexOfKey(key);
        ASSERT_TRUE(at.isValid()) << key.toStdString();
        tree->setCurrentIndex(at);
        QTest::mouseClick(child(w, "CmdTrasferisci"), Qt::LeftButton);
    }
    void chooseGroup(const QString &name)
    {
        ASSERT_TRUE(groups()->select(0, name)) << name.toStdString();
        QTest::keyClick(groups()->view(), Qt::Key_Return);
    }
    QString rows(const QString &name)
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_UfficiGruppi WHERE Tab_Ente='001' AND "
                                     "Tab_DipartimentoGruppo='PRO' AND Tab_raggruppamento='")
                      + Funzioni_Com_1::quote(name) + QLatin1Char('\''));
    }

    MDIMenu *main = nullptr;
    FrmGruppiUffici *w = nullptr;
};

TEST_P(Groups, NewGroupWithAnApostropheIsWrittenWholeAndFoundAgain)
{
    EXPECT_EQ(w->windowTitle(), kTitle);
    EXPECT_NE(w->windowTitle(), QStringLiteral("Gestione Gruppi Mittenti/Destinatari")) << "the address book's groups";
    EXPECT_NE(qobject_cast<ui::RecordEditor *>(static_cast<QWidget *>(w)), nullptr) << "built on the record editor";
    EXPECT_EQ(child<QLabel>(w, "LblStato")->text(), QStringLiteral("Raggruppamenti Uffici"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;NUOVO;CERCA"));
    EXPECT_EQ(groups()->count(), 0);
    EXPECT_EQ(child<QComboBox>(w, "CboDipartimento")->currentData().toString(), QStringLiteral("PRO"));

    EXPECT_TRUE(press("NUOVO").isEmpty());
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    EXPECT_EQ(press("REGISTRA"),
              QStringList{QStringLiteral("Inserire la Denominazione del raggruppamento che si vuol creare")});
    typeName(QStringLiteral("uffici dell'area"));
    EXPECT_EQ(press("REGISTRA"), QStringList{QStringLiteral("Inserire almeno un Ufficio nel raggruppamento")});

    // A member, a whole office without members, a whole office of another
    // department; the same one twice is taken once.
    transfer(QStringLiteral("PRO"), QStringLiteral("UPR|2"));
    transfer(QStringLiteral("PRO"), QStringLiteral("ARC"));
    transfer(QStringLiteral("AMM"), QStringLiteral("RAG"));
    transfer(QStringLiteral("AMM"), QStringLiteral("RAG"));
    ASSERT_EQ(members()->count(), 3);
    EXPECT_EQ(members()->text(0, 2), QStringLiteral("2 - BIANCHI ANNA"));
    EXPECT_EQ(members()->text(1, 2), QStringLiteral("0 - Nessun Componente"));
    EXPECT_EQ(members()->text(2, 0), QStringLiteral("AMM - DIPARTIMENTO AMMINISTRATIVO"));

    EXPECT_TRUE(press("REGISTRA").isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(rows(kName), QStringLiteral("3"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Dipartimento || '/' || Tab_Ufficio || '/' || Tab_Componente FROM "
                                    "Tab_UfficiGruppi WHERE Tab_Ufficio='UPR'")),
              QStringLiteral("PRO/UPR/2"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;NUOVO;CERCA"));
    ASSERT_EQ(groups()->count(), 1);
    EXPECT_EQ(groups()->text(0, 0), kName);

    // Found again with the names of what it holds.
    chooseGroup(kName);
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA;CANCELLA"));
    EXPECT_EQ(child<QLineEdit>(w, "TxtGruppo")->text(), kName);
    EXPECT_EQ(child<QLineEdit>(w, "TxtGruppoOld")->text(), kName);
    ASSERT_EQ(members()->count(), 3);
    EXPECT_EQ(members()->text(0, 0), QStringLiteral("AMM - DIPARTIMENTO AMMINISTRATIVO"));
    EXPECT_EQ(members()->text(0, 1), QStringLiteral("RAG - RAGIONERIA"));
    EXPECT_EQ(members()->text(2, 2), QStringLiteral("2 - BIANCHI ANNA"));

    // Another group may not take its name.
    press("ANNULLA");
    press("NUOVO");
    typeName(kName);
    transfer(QStringLiteral("PRO"), QStringLiteral("UPR"));
    EXPECT_EQ(press("REGISTRA"), QStringList{QStringLiteral("Il nome del raggruppamento è già stato utilizzato. "
                                                            "Sostituirlo e riprovare.")});
    EXPECT_EQ(rows(kName), QStringLiteral("3"));
}

TEST_P(Groups, RenamingKeepsTheMembersAndAnEmptyListDeletesTheGroupOnYes)
{
    press("NUOVO");
    typeName(kName);
    transfer(QStringLiteral("PRO"), QStringLiteral("UPR|1"));
    transfer(QStringLiteral("PRO"), QStringLiteral("UPR|3"));
    ASSERT_TRUE(press("REGISTRA").isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();

    chooseGroup(kName);
    typeName(QStringLiteral("AREA RINOMINATA"));
    EXPECT_TRUE(press("REGISTRA").isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(rows(kName), QStringLiteral("0"));
    EXPECT_EQ(rows(QStringLiteral("AREA RINOMINATA")), QStringLiteral("2"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT SUM(Tab_Componente) FROM Tab_UfficiGruppi")), QStringLiteral("4"));

    // Every member taken out: No keeps the group, Yes deletes it.
    chooseGroup(QStringLiteral("AREA RINOMINATA"));
    ASSERT_EQ(members()->count(), 2);
    for (int i = 0; i < 2; ++i) {
        members()->view()->setCurrentIndex(members()->view()->model()->index(0, 0));
        QTest::mouseClick(child(w, "CmdRimuovi"), Qt::LeftButton);
    }
    EXPECT_EQ(members()->count(), 0);
    const QString question = QStringLiteral("Premi il bottone 'SI' se desideri cancellare il raggruppamento, "
                                            "altrimenti inserisci almeno un Ufficio nella lista.");
    boxes.answers = {Answer::No};
    EXPECT_EQ(press("REGISTRA"), QStringList{question});
    EXPECT_EQ(rows(QStringLiteral("AREA RINOMINATA")), QStringLiteral("2"));
    EXPECT_EQ(w->editMode(), FrmGruppiUffici::Mode::Edit);
    EXPECT_EQ(press("REGISTRA"), QStringList{question});
    EXPECT_EQ(rows(QStringLiteral("AREA RINOMINATA")), QStringLiteral("0"));
    EXPECT_EQ(groups()->count(), 0);
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;NUOVO;CERCA"));

    // CANCELLA asks first.
    press("NUOVO");
    typeName(QStringLiteral("DA CANCELLARE"));
    transfer(QStringLiteral("SAN"), QStringLiteral("IGI"));
    ASSERT_TRUE(press("REGISTRA").isEmpty());
    chooseGroup(QStringLiteral("DA CANCELLARE"));
    boxes.answers = {Answer::No};
    EXPECT_EQ(press("CANCELLA"), QStringList{QStringLiteral("CONFERMI LA CANCELLAZIONE DEL GRUPPO CORRENTE ?")});
    EXPECT_EQ(rows(QStringLiteral("DA CANCELLARE")), QStringLiteral("1"));
    EXPECT_EQ(press("CANCELLA"), QStringList{QStringLiteral("CONFERMI LA CANCELLAZIONE DEL GRUPPO CORRENTE ?")});
    EXPECT_EQ(rows(QStringLiteral("DA CANCELLARE")), QStringLiteral("0"));
}

TEST_P(Groups, ServerRefusalIsShownAndTheGroupStaysAsItWas)
{
    press("NUOVO");
    typeName(kName);
    transfer(QStringLiteral("PRO"), QStringLiteral("UPR|2"));
    ASSERT_TRUE(press("REGISTRA").isEmpty());

    // The member leaves the office while the window still offers him.
    chooseGroup(kName);
    transfer(QStringLiteral("PRO"), QStringLiteral("UPR|3"));
    sql(QStringLiteral("DELETE FROM Tab_UfficiComponenti WHERE Tab_Ente='001' AND Tab_Ufficio='UPR' AND "
                       "Tab_Progressivo=3"));
    const QStringList shown = press("REGISTRA");
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown.first().startsWith(QStringLiteral("Server Ole, Errore in Aggiornamento gruppi ")))
        << shown.first().toStdString();
    EXPECT_TRUE(shown.first().contains(QStringLiteral("Tab_Componente"))) << shown.first().toStdString();
    EXPECT_EQ(rows(kName), QStringLiteral("1"));
    EXPECT_EQ(w->editMode(), FrmGruppiUffici::Mode::Edit);
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(Groups);
