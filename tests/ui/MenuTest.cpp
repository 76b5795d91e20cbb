#include <QAction>
#include <QFile>
#include <QLabel>
#include <QSqlError>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QToolBar>

#include "schema/FunctionTable.h"
#include "startup/CreaTabMenu.h"
#include "startup/FunctionRights.h"
#include "startup/MDIMenu.h"
#include "startup/Notices.h"
#include "startup/PSWMask.h"
#include "startup/StartUp.h"
#include "ui/ChildWindow.h"
#include "ui/Keyboard.h"
#include "ui/WindowRegistry.h"
#include "UiFixture.h"

using nimbo::test::UiTest;
namespace WR = nimbo::WindowRegistry;

namespace {

struct Child : nimbo::ChildWindow {
    QStringList pressed;
    void ELABORATBAR(const QString &key) override { pressed << key; }
};

// Registers windows for the length of a test.
struct Registered {
    QStringList names;
    explicit Registered(const QStringList &n) : names(n)
    {
        for (const QString &name : names)
            WR::add(name, [] { return new Child; });
    }
    ~Registered()
    {
        for (const QString &name : names)
            WR::remove(name);
    }
};

QAction *item(QWidget *w, const char *name) { return w->findChild<QAction *>(QLatin1String(name)); }

class Menus : public UiTest {
protected:
    void TearDown() override
    {
        StartUp::shutdown();
        UiTest::TearDown();
    }
    void logIn(const QString &code)
    {
        PSWMask w;
        type(&w, "txtOperatore", code);
    }
};

} // namespace

TEST_P(Menus, RightsMatchWholeCodesAndUnregisteredWindowsStayDisabled)
{
    Registered windows({QStringLiteral("FrmProtocollo"), QStringLiteral("FrmRubrica")});
    logIn(QStringLiteral("DEMO9"));
    const auto build = [](const QString &functions) {
        auto *w = new MDIMenu;
        FunctionRights::load(w, functions, [w](QAction *a) { return w->available(a); });
        return std::unique_ptr<MDIMenu>(w);
    };
    auto withheld = build(QStringLiteral("-RU01-PR01-ST02-"));
    EXPECT_TRUE(item(withheld.get(), "mnuProtDoc")->isVisible());
    EXPECT_FALSE(item(withheld.get(), "mnuProtDoc")->isEnabled());
    EXPECT_FALSE(item(withheld.get(), "mnugestioneMD")->isEnabled());
    auto longer = build(QStringLiteral("-PR011-"));
    EXPECT_TRUE(item(longer.get(), "mnuProtDoc")->isEnabled());
    EXPECT_TRUE(item(longer.get(), "mnugestioneMD")->isEnabled());
    // Granted but its window is not part of this build.
    EXPECT_FALSE(item(longer.get(), "mnuiter")->isEnabled());
    EXPECT_TRUE(item(longer.get(), "mnuiter")->isVisible());

    // "D" hides whatever the table says; "O" shows.
    QAction *hidden = item(longer.get(), "mnuProtDoc");
    hidden->setProperty(FunctionRights::kTagProperty, QStringLiteral("D"));
    item(longer.get(), "MnuUscita")->setVisible(false);
    FunctionRights::apply(FunctionRights::menuItems(longer.get()), {{QStringLiteral("mnuProtDoc"), QStringLiteral("PR01")}},
                          QString());
    EXPECT_FALSE(hidden->isVisible());
    EXPECT_TRUE(item(longer.get(), "MnuUscita")->isVisible());
    EXPECT_EQ(item(longer.get(), "MnuInformazioni")->property(FunctionRights::kTagProperty).toString(),
              QStringLiteral("O"));

    // A function table that cannot be read ends the program by force.
    sql(QStringLiteral("DROP TABLE Tab_Funzioni"));
    boxes.clear();
    build(QString());
    EXPECT_TRUE(boxes.texts().contains(QStringLiteral("Contattare Responsabile della Procedura. Errore nella gestione "
                                                      "delle abilitazioni dell'operatore.")));
    EXPECT_EQ(exits, QList<int>{1});
}

TEST_P(Menus, EmergencySessionOpensOnlyTheEmergencyMenus)
{
    Registered windows({QStringLiteral("FrmProtocollo"), QStringLiteral("frmProtocolloEme"),
                        QStringLiteral("FrmGestIter")});
    PSWMask login;
    login.openEmergency();
    login.findChild<QLineEdit *>(QStringLiteral("AnnoR"))->setText(QStringLiteral("2024"));
    login.findChild<QLineEdit *>(QStringLiteral("IdR"))->setText(QStringLiteral("ABC"));
    login.findChild<QLineEdit *>(QStringLiteral("IDS"))->setText(QStringLiteral("1"));
    login.confirmEmergency();
    std::unique_ptr<QWidget> w(MDIMenu::create());
    for (const char *off : {"mnurubrica", "mnuProtDoc", "mnuProtEml", "mnuiter", "mnucollegprovv", "MnuRecupera",
                            "mnuassdefprot", "mnuricercaprot", "mnustampe", "fff", "mnuricprotope", "MnuServizi"})
        EXPECT_FALSE(item(w.get(), off)->isEnabled()) << off;
    EXPECT_TRUE(item(w.get(), "mnuProtDocEmerg")->isEnabled());
    DicAmbiente::session().emergency = false;
    std::unique_ptr<QWidget> ordinary(MDIMenu::create());
    EXPECT_FALSE(item(ordinary.get(), "mnuProtDocEmerg")->isEnabled());
}

TEST_P(Menus, ToolbarFollowsTheActiveChildAndDoesNothingWithoutOne)
{
    Registered windows({QStringLiteral("FrmProtocollo")});
    MDIMenu w;
    const auto visible = [&w] {
        QStringList keys;
        const auto buttons = w.toolbar()->actions();
        for (QAction *b : buttons)
            if (b->isVisible())
                keys << b->objectName();
        return keys;
    };
    EXPECT_EQ(w.toolbar()->actions().size(), 24);
    item(&w, "CERCA")->trigger();
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_TRUE(visible().isEmpty());

    auto *child = dynamic_cast<Child *>(w.openWindow(QStringLiteral("FrmProtocollo"), QStringLiteral("CANCELLA")));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->property("mode").toString(), QStringLiteral("CANCELLA"));
    child->setToolbarKeys(QStringLiteral("ESCI;NUOVO;CERCA"));
    EXPECT_EQ(visible(), (QStringList{"ESCI", "NUOVO", "CERCA"}));
    item(&w, "NUOVO")->trigger();
    EXPECT_EQ(child->pressed, QStringList{QStringLiteral("NUOVO")});
    // Opening it again brings the same window forward.
    EXPECT_EQ(w.openWindow(QStringLiteral("FrmProtocollo")), child);
    EXPECT_EQ(w.area()->subWindowList().size(), 1);

    // A plain widget without a handler ignores the buttons.
    WR::add(QStringLiteral("Plain"), [] { return new QWidget; });
    ASSERT_NE(w.openWindow(QStringLiteral("Plain")), nullptr);
    EXPECT_TRUE(visible().isEmpty());
    w.toolbarClicked(QStringLiteral("ESCI"));
    WR::remove(QStringLiteral("Plain"));
    EXPECT_EQ(child->pressed.size(), 1);
    EXPECT_EQ(w.findChild<QLabel *>(QStringLiteral("stato"))->text(), QStringLiteral("Pronto"));

    // The exit question: No keeps the window, Yes ends the program.
    w.show();
    boxes.answers = {nimbo::Answer::No};
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(exits.isEmpty());
    boxes.answers = {nimbo::Answer::Yes};
    EXPECT_TRUE(w.close());
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("    Si desidera uscire dalla procedura ?     "));
    EXPECT_EQ(exits, QList<int>{0});
}

TEST_P(Menus, NoticesAreRestrictedByLevelAndRunOnBothEngines)
{
    const auto engine = db().engine();
    const Notices::Who base{0, QStringLiteral("001"), QStringLiteral("DEMO6"), QStringLiteral("UPR"),
                            QStringLiteral("PRO")};
    const QStringList restriction{QStringLiteral("Tab_codiceOpe='DEMO6'"), QStringLiteral("Tab_Ufficio='UPR'"),
                                  QStringLiteral("Dipa_CodDipartimento='PRO'")};
    for (int level = 6; level <= 9; ++level) {
        Notices::Who who = base;
        who.level = level;
        const QString due = Notices::dueSoonQuery(engine, who);
        for (int r = 0; r < restriction.size(); ++r)
            EXPECT_EQ(due.contains(restriction[r]), r == level - 6) << level << " " << due.toStdString();
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(due)) << q.lastError().text().toStdString();
        EXPECT_TRUE(q.exec(Notices::waitingDocumentQuery(who))) << q.lastError().text().toStdString();
    }
    EXPECT_TRUE(Notices::waitingDocumentQuery({5, {}, {}, {}, {}}).isEmpty());
    QSqlQuery q(db().central());
    EXPECT_TRUE(q.exec(Notices::recentStructureChangesQuery(engine))) << q.lastError().text().toStdString();

    // Structure changes of the last week for a body with code 170.
    sql(QStringLiteral("INSERT INTO Prot_Strutture_I (Cod_dip, des_dip, Cod_Uff, Des_Uff, Cod_OP, Data_EFF, Livello, "
                       "Stato_Acquisizione) VALUES ('PRO', 'PROTOCOLLO', 'UPR', 'UFFICIO PROTOCOLLO', 'A', '%1', '2', "
                       "'2')")
            .arg(QDate::currentDate().addDays(-2).toString(Qt::ISODate)));
    logIn(QStringLiteral("DEMO7"));
    DicAmbiente::session().parm.enteCodiceAsl = QStringLiteral("170");
    MDIMenu w;
    w.runNotices();
    w.runNotices();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.texts().first(), Notices::kStructureTitle + QStringLiteral("\n   - ATTIVAZIONE DELL'UFFICIO: UPR - "
                                                                              "UFFICIO PROTOCOLLO"));
}

TEST_P(Menus, FunctionTableCodesAreUniqueAndStableAcrossRebuilds)
{
    MDIMenu main;
    const auto codes = [this] {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT tf_nome, tf_codice, Tf_Caption FROM Tab_Funzioni")));
        QMap<QString, QString> out;
        while (q.next())
            out.insert(q.value(0).toString(), q.value(1).toString());
        return out;
    };
    CreaTabMenu first(main.menuBar());
    EXPECT_EQ(first.toolbarKeys(), QStringLiteral("ESCI;REGISTRA"));
    first.ELABORATBAR(QStringLiteral("REGISTRA"));
    const auto once = codes();
    CreaTabMenu second(main.menuBar());
    ASSERT_TRUE(second.registerFunctions());
    EXPECT_EQ(codes(), once);
    EXPECT_EQ(once.size(), first.entries().size());
    EXPECT_EQ(QSet<QString>(once.begin(), once.end()).size(), once.size());
    // Codes the demo table held are kept; new items get theirs.
    EXPECT_EQ(once.value(QStringLiteral("mnuProtDoc")), QStringLiteral("PR01"));
    EXPECT_EQ(once.value(QStringLiteral("mnurubrica")), QStringLiteral("RU00"));
    // From an empty table the derivation gives the same codes again.
    const auto fresh = CreaTabMenu::assignCodes(first.entries(), {});
    EXPECT_EQ(CreaTabMenu::assignCodes(first.entries(), {}), fresh);
    EXPECT_EQ(fresh.value(QStringLiteral("mnuProtDocEmerg")), QStringLiteral("PR02"));

    QFile list(first.listPath());
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(list.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains(QStringLiteral("1\tMnuRecupera\tRecupero Protocolli di Emergenza")));
    EXPECT_TRUE(lines.contains(QStringLiteral("2\tmnuassdefprot\tRecupero da Registro Telematico")));
    EXPECT_EQ(lines.first(), QStringLiteral("0\tmnurubrica\tRUBRICA"));
}

TEST_P(Menus, CreaElencoFunzioniRebuildsTheFunctionTableFromTheMenus)
{
    nimbo::startup::registerStartupWindows();
    MDIMenu main;
    // The menus are built from the tree the function table is made from.
    const auto walked = CreaTabMenu::walk(main.menuBar());
    const auto &tree = FunctionTable::menuTree();
    ASSERT_EQ(walked.size(), tree.size());
    for (int i = 0; i < tree.size(); ++i)
        EXPECT_EQ(QStringList({QString::number(walked[i].level), walked[i].name, walked[i].caption, walked[i].tag}),
                  QStringList({QString::number(tree[i].level), tree[i].name, tree[i].caption, tree[i].tag}));

    sql(QStringLiteral("DELETE FROM Tab_Funzioni"));
    sql(QStringLiteral("INSERT INTO Tab_Funzioni (tf_nome, Tf_Caption, tf_codice) VALUES ('mnuiter', 'Iter', 'XY01')"));
    QAction *rebuild = item(&main, "mnuRG");
    ASSERT_NE(rebuild, nullptr);
    EXPECT_EQ(nimbo::ui::plainCaption(rebuild), QStringLiteral("Crea Elenco funzioni"));
    ASSERT_TRUE(rebuild->isEnabled());
    rebuild->trigger();
    ASSERT_NE(main.area()->currentSubWindow(), nullptr);
    QWidget *window = main.area()->currentSubWindow()->widget();
    EXPECT_EQ(window->objectName(), QStringLiteral("CreaTabMenu"));
    EXPECT_TRUE(item(&main, "REGISTRA")->isVisible());
    item(&main, "REGISTRA")->trigger();
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Funzioni")), QString::number(tree.size()));
    EXPECT_EQ(scalar(QStringLiteral("SELECT tf_codice FROM Tab_Funzioni WHERE tf_nome = 'mnuRG'")), QStringLiteral("PR15"));
    // A code the operators' rights already name is kept.
    EXPECT_EQ(scalar(QStringLiteral("SELECT tf_codice FROM Tab_Funzioni WHERE tf_nome = 'mnuiter'")), QStringLiteral("XY01"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    item(&main, "ESCI")->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(main.area()->subWindowList().isEmpty());
    WR::remove(QStringLiteral("CreaTabMenu"));
}

TEST_P(Menus, DemoLevelNineOperatorLogsInAndGetsItsMenus)
{
    Registered windows({QStringLiteral("FrmProtocollo"), QStringLiteral("frmProtocolloEme")});
    const int started = startAsDemoOperator();
    ASSERT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
    auto *main = qobject_cast<MDIMenu *>(StartUp::mainWindow());
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(DicAmbiente::session().op.code, QStringLiteral("DEMO9"));
    EXPECT_TRUE(item(main, "mnuProtDoc")->isEnabled());
    EXPECT_FALSE(item(main, "mnuProtDocEmerg")->isEnabled());
    EXPECT_FALSE(item(main, "mnuiter")->isEnabled());
    EXPECT_EQ(main->menuBar()->actions().size(), 9);
    QCoreApplication::processEvents();
    EXPECT_TRUE(main->noticesDone());
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    C_GestDB::closeLocalDatabase();
}

NIMBO_INSTANTIATE_ENGINES(Menus);
