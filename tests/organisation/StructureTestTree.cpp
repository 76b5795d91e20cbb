// The structure tree: what it shows, its context menu level by level, the
// editors it opens with the node's codes, the reload after a write, and a
// failed read.

#include <QAbstractItemModelTester>
#include <QMenu>
#include <QPushButton>
#include <QSqlError>
#include <QTreeView>

#include "data/ConnectionPool.h"
#include "organisation/FrmTreeStruttura.h"
#include "organisation/StructureRules.h"
#include "ui/TreeModel.h"
#include "StructureFixture.h"

using nimbo::test::StandInEditor;
using nimbo::test::StructureTest;
namespace org = nimbo::organisation;
using nimbo::ui::RecordEditor;
using nimbo::ui::TreeModel;

namespace {

class Tree : public StructureTest {
protected:
    org::FrmTreeStruttura *openTree()
    {
        logIn();
        auto *t = qobject_cast<org::FrmTreeStruttura *>(press("mnudatiente"));
        EXPECT_NE(t, nullptr);
        return t;
    }
    static QModelIndex at(org::FrmTreeStruttura *t, const char *key)
    {
        return t->model()->indexOfKey(QString::fromLatin1(key));
    }
    // The visible entries of the node's context menu.
    static QStringList entries(org::FrmTreeStruttura *t, const QModelIndex &i)
    {
        t->prepareMenu(i);
        QStringList out;
        const auto actions = t->contextMenu()->actions();
        for (QAction *a : actions)
            if (a->isVisible())
                out << a->objectName();
        return out;
    }
    // Chooses the node and one of its menu entries; the editor it opened.
    StandInEditor *choose(org::FrmTreeStruttura *t, const char *key, const char *entry)
    {
        const QModelIndex i = at(t, key);
        EXPECT_TRUE(i.isValid()) << key;
        t->tree()->setCurrentIndex(i);
        t->prepareMenu(i);
        auto *a = t->findChild<QAction *>(QLatin1String(entry));
        EXPECT_NE(a, nullptr) << entry;
        if (!a)
            return nullptr;
        a->trigger();
        QMdiSubWindow *sub = main->area()->currentSubWindow();
        return sub ? dynamic_cast<StandInEditor *>(sub->widget()) : nullptr;
    }
};

} // namespace

TEST_P(Tree, ShowsEveryLevelWithPathKeysAndLeaves)
{
    sql(QStringLiteral("INSERT INTO Tab_Enti (Ente_Codice, Ente_Denominazione) VALUES ('002', 'ENTE SENZA STRUTTURA')"));
    sql(QStringLiteral("INSERT INTO Tab_Dipartimenti (Dipa_CodDipartimento, Dipa_CodiceEnte, Dipa_Denominazione) "
                       "VALUES ('VUO', '001', 'DIPARTIMENTO VUOTO')"));
    auto *t = openTree();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->windowTitle(), QStringLiteral("Albero delle Aree Organizzative Omogenee"));
    EXPECT_EQ(t->tree()->objectName(), QStringLiteral("TrwAlbero"));
    QAbstractItemModelTester tester(t->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);

    TreeModel *m = t->model();
    EXPECT_EQ(m->rowCount(), 2);
    EXPECT_EQ(m->data(at(t, "001")).toString(), QStringLiteral("001 - AZIENDA SANITARIA DEMO"));
    EXPECT_EQ(m->data(at(t, "001|PRO|UPR|3")).toString(), QStringLiteral("3 - CONTI GIULIA"));
    EXPECT_EQ(m->level(at(t, "001|PRO|UPR|3")), 3);
    EXPECT_EQ(m->rowCount(at(t, "001|PRO|UPR")), 3);
    // Closed records are part of the structure too.
    EXPECT_TRUE(at(t, "001|OLD|SOP").isValid());
    EXPECT_TRUE(at(t, "001|PRO|ECO").isValid());
    // Without children: leaves at every level.
    for (const char *leaf : {"002", "001|VUO", "001|PRO|ARC"}) {
        ASSERT_TRUE(at(t, leaf).isValid()) << leaf;
        EXPECT_FALSE(m->hasChildren(at(t, leaf))) << leaf;
    }
    EXPECT_EQ(m->nodeCount(), 2 + 5 + 8 + 7);

    // Members ordered by name under their office, keyed by progressive.
    const QModelIndex upr = at(t, "001|PRO|UPR");
    QStringList members;
    for (int r = 0; r < m->rowCount(upr); ++r)
        members << m->key(m->index(r, 0, upr));
    EXPECT_EQ(members, (QStringList{"001|PRO|UPR|2", "001|PRO|UPR|3", "001|PRO|UPR|1"}));

    child(t, "cmdEspandi")->click();
    EXPECT_TRUE(t->tree()->isExpanded(upr));
    child(t, "cmdComprimi")->click();
    EXPECT_FALSE(t->tree()->isExpanded(at(t, "001")));
}

TEST_P(Tree, ContextMenuByLevelAndMembersOnlyWithTheirEditor)
{
    registerStandIns();
    auto *t = openTree();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(entries(t, {}), QStringList{"MnuAggiungiAOO"});
    EXPECT_EQ(entries(t, at(t, "001")), (QStringList{"MnuAggiungiAOO", "MnuDettaglioAOO", "MnuAggiungiDip"}));
    EXPECT_EQ(entries(t, at(t, "001|PRO")), (QStringList{"MnuAggiungiDip1", "MnuDettaglioDip", "MnuAggiungiUO"}));
    EXPECT_EQ(entries(t, at(t, "001|PRO|UPR")),
              (QStringList{"MnuAggiungiUOq", "MnuDettaglioUO", "MnuAggiungiComponente"}));
    EXPECT_EQ(entries(t, at(t, "001|PRO|UPR|1")), (QStringList{"MnuAggiungiComp1", "MnuDettaglioComp"}));

    const auto enabled = [t](const char *name) {
        return t->findChild<QAction *>(QLatin1String(name))->isEnabled();
    };
    t->prepareMenu(at(t, "001|PRO|UPR|1"));
    EXPECT_FALSE(enabled("MnuDettaglioComp")) << "no member editor in this build";
    EXPECT_FALSE(enabled("MnuAggiungiComp1"));
    EXPECT_EQ(choose(t, "001|PRO|UPR|1", "MnuDettaglioComp"), nullptr);
    t->prepareMenu(at(t, "001|PRO|UPR"));
    EXPECT_TRUE(enabled("MnuDettaglioUO"));
    EXPECT_FALSE(enabled("MnuAggiungiComponente"));

    registerMemberStandIn();
    auto *member = choose(t, "001|PRO|UPR|1", "MnuDettaglioComp");
    ASSERT_NE(member, nullptr);
    EXPECT_EQ(member->context(QStringLiteral("Tab_Ente")), QStringLiteral("001"));
    EXPECT_EQ(member->context(QStringLiteral("Tab_Dipartimento")), QStringLiteral("PRO"));
    EXPECT_EQ(member->context(QStringLiteral("Tab_Ufficio")), QStringLiteral("UPR"));
    EXPECT_EQ(member->editMode(), RecordEditor::Mode::Edit);
    EXPECT_EQ(member->label->text(), QStringLiteral("ROSSI MARIO"));
}

TEST_P(Tree, EditorsOpenWithTheNodesCodesAndTheTreeFollowsTheirWrites)
{
    registerStandIns();
    auto *t = openTree();
    ASSERT_NE(t, nullptr);

    auto *entity = choose(t, "001", "MnuDettaglioAOO");
    ASSERT_NE(entity, nullptr);
    EXPECT_EQ(entity->objectName(), QStringLiteral("frmGEnti"));
    EXPECT_EQ(entity->editMode(), RecordEditor::Mode::Edit);
    EXPECT_EQ(entity->code->text(), QStringLiteral("001"));

    auto *dept = choose(t, "001|AMM", "MnuDettaglioDip");
    ASSERT_NE(dept, nullptr);
    EXPECT_EQ(dept->context(QStringLiteral("Dipa_CodiceEnte")), QStringLiteral("001"));
    EXPECT_EQ(dept->key().value(QStringLiteral("Dipa_CodDipartimento")), QStringLiteral("AMM"));
    EXPECT_EQ(dept->label->text(), QStringLiteral("DIPARTIMENTO AMMINISTRATIVO"));

    // A change is written: the tree shows it, as the operator left it.
    t->tree()->expand(at(t, "001"));
    t->tree()->expand(at(t, "001|SAN"));
    t->tree()->setCurrentIndex(at(t, "001|AMM"));
    dept->label->setText(QStringLiteral("DIPARTIMENTO RISORSE"));
    dept->ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(t->model()->data(at(t, "001|AMM")).toString(), QStringLiteral("AMM - DIPARTIMENTO RISORSE"));
    EXPECT_TRUE(t->tree()->isExpanded(at(t, "001|SAN")));
    EXPECT_FALSE(t->tree()->isExpanded(at(t, "001|PRO")));
    EXPECT_EQ(t->model()->key(t->tree()->currentIndex()), QStringLiteral("001|AMM"));

    // A new office under PRO, from the department's node: the editor gets
    // entity and department, and the new node becomes the current one.
    auto *office = choose(t, "001|PRO", "MnuAggiungiUO");
    ASSERT_NE(office, nullptr);
    EXPECT_EQ(office->editMode(), RecordEditor::Mode::New);
    EXPECT_EQ(office->context(QStringLiteral("Tab_Ente")), QStringLiteral("001"));
    EXPECT_EQ(office->context(QStringLiteral("Tab_Dipartimento")), QStringLiteral("PRO"));
    office->code->setText(QStringLiteral("L'A"));
    office->label->setText(QStringLiteral("SEDE DELL'AQUILA"));
    office->ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Dipartimento FROM Tab_Uffici WHERE Tab_Ufficio = 'L''A'")),
              QStringLiteral("PRO"));
    const QModelIndex added = at(t, "001|PRO|L'A");
    ASSERT_TRUE(added.isValid());
    EXPECT_EQ(t->model()->data(added).toString(), QStringLiteral("L'A - SEDE DELL'AQUILA"));
    EXPECT_EQ(t->tree()->currentIndex(), added);

    // The same editor window serves the next node, and a write made after
    // it was reused reloads the tree once more.
    auto *again = choose(t, "001|PRO|ARC", "MnuDettaglioUO");
    EXPECT_EQ(again, office);
    EXPECT_EQ(office->key().value(QStringLiteral("Tab_Ufficio")), QStringLiteral("ARC"));
    office->label->setText(QStringLiteral("ARCHIVIO CENTRALE"));
    office->ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(t->model()->data(at(t, "001|PRO|ARC")).toString(), QStringLiteral("ARC - ARCHIVIO CENTRALE"));

    // A new entity from the empty area.
    auto *fresh = choose(t, "001", "MnuAggiungiAOO");
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh, entity);
    EXPECT_EQ(fresh->editMode(), RecordEditor::Mode::New);
    fresh->code->setText(QStringLiteral("003"));
    fresh->label->setText(QStringLiteral("NUOVA AREA"));
    fresh->ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(t->model()->rowCount(), 2);
    EXPECT_EQ(t->model()->key(t->tree()->currentIndex()), QStringLiteral("003"));
}

TEST_P(Tree, AFailedReadIsShownAndLogged)
{
    auto *t = openTree();
    ASSERT_NE(t, nullptr);
    EXPECT_GT(t->model()->nodeCount(), 0);
    makeLogFolder();
    // The servers' connections let go of the table first.
    nimbo::ConnectionPool::closeAll();
    {
        QSqlQuery q(db().central());
        const bool pg = db().engine() == Dialect::Engine::PostgreSQL;
        ASSERT_TRUE(q.exec(QStringLiteral("DROP TABLE Tab_UfficiComponenti") + (pg ? QStringLiteral(" CASCADE") : QString())))
            << q.lastError().text().toStdString();
    }
    EXPECT_FALSE(t->reload());
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("Contattare esperto procedura. Si sono verificati errori nella "
                                                   "generazione dell'albero delle Strutture."));
    EXPECT_TRUE(logText().contains(
        QStringLiteral("FrmTreeStruttura: errore nel caricamento albero Aree Organizzative Omogenee: RC=")));
    EXPECT_EQ(t->model()->nodeCount(), 0);
}

TEST(TreeRules, EveryEntryHandsOnTheCodesItsEditorNeeds)
{
    for (const org::TreeEntry &e : org::treeEntries()) {
        // A detail entry needs one code more than its context; so does the
        // level the entry shows on, for "add" entries of the level below.
        for (int level : e.levels)
            EXPECT_GE(level + 1, int(e.context.size()) + (e.detail ? 1 : 0)) << e.item.toStdString();
    }
    EXPECT_EQ(org::nodeKeyOf(*org::treeEntry(QStringLiteral("MnuAggiungiUO")), {"001", "PRO"}, QStringLiteral("NEW")),
              QStringLiteral("001|PRO|NEW"));
    EXPECT_EQ(org::nodeKeyOf(*org::treeEntry(QStringLiteral("MnuAggiungiAOO")), {}, QStringLiteral("002")),
              QStringLiteral("002"));
}

NIMBO_INSTANTIATE_ENGINES(Tree);
