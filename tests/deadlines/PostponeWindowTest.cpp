// Setting, postponing and removing a deadline as clerks do it, on both
// engines: "Imposta scadenza" and "Storico Scadenze" of the iter window
// opened from the menu, the registration window's "Storico Scadenze", the
// general search's toolbar, and a matter assigned with a deadline,
// postponed by the office, refused to a clerk who did not postpone it and
// put back by the protocol manager.

#include <QApplication>
#include <QPointer>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTableView>
#include <QTreeWidget>

#include "deadlines/Deadlines.h"
#include "deadlines/OverviewRules.h"
#include "deadlines/OverviewWindow.h"
#include "deadlines/PostponeRules.h"
#include "deadlines/PostponeWindow.h"
#include "iter/FrmGestIter.h"
#include "iter/Iter.h"
#include "search/FrmFiltroRProt.h"
#include "search/Search.h"
#include "servers/DeadlineRequests.h"
#include "servers/IterRequests.h"
#include "support/Files.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"
#include "ui/UiFixture.h"

using namespace nimbo;
using namespace nimbo::deadlines;

namespace {

QString day(const QDate &d) { return d.toString(QStringLiteral("dd/MM/yyyy")); }
const QDate kToday = QDate::currentDate();
const QString kNumber = QStringLiteral("20240000001");

ui::RowList *rows(QWidget *w, const char *view)
{
    auto *table = w ? w->findChild<QTableView *>(QLatin1String(view)) : nullptr;
    return table ? qobject_cast<ui::RowList *>(table->parentWidget()) : nullptr;
}

QStringList column(ui::RowList *l, int c)
{
    QStringList out;
    for (int r = 0; l && r < l->count(); ++r)
        out << l->text(r, c);
    return out;
}

class PostponeWindows : public test::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        protocol::registerProtocolWindows();
        iter::registerIterWindows();
        search::registerSearchWindows();
        registerDeadlineWindows();
    }
    MDIMenu *start(const QString &code)
    {
        MDIMenu *main = logIn(code, code.toLower() + QStringLiteral("pwd"));
        if (main) {
            main->resize(1024, 768);
            QApplication::processEvents();
        }
        boxes.clear();
        return main;
    }
    void restart()
    {
        StartUp::shutdown();
        C_GestDB::closeLocalDatabase();
    }
    // A letter of 2024 that DEMO9 assigned to UPR for competence, due by `due`.
    void assigned(const QDate &due)
    {
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_Oggetto, Tab_StatoProtocollo, Tab_SoggPrivacy, Tab_Intestatario, "
                           "Tab_Tipologia, Tab_CodiceOpeReg) VALUES ('001', 'E', '%1', '2024-01-02', 'RICHIESTA PARERE', "
                           "'A', 'N', 1, 'LET', 'DEMO9')")
                .arg(kNumber));
        iter::AssignmentRequest a;
        a.ente = QStringLiteral("001");
        a.direction = QStringLiteral("E");
        a.number = kNumber;
        a.operatorCode = QStringLiteral("DEMO9");
        a.office = QStringLiteral("UPR");
        a.department = QStringLiteral("PRO");
        a.recipients = {{QStringLiteral("UPR"), 0, true, kPerCompetenza, QString()}};
        a.deadline = day(due);
        a.protocolOffice = true;
        QVariantList request = iter::assignmentRequest(a);
        ProtocolServer server(db().centralTarget());
        const QVariantList reply = server.Elabora(kOpAssegnazione, request);
        ASSERT_EQ(reply.value(0).toInt(), 0) << reply.value(1).toString().toStdString();
    }
    // The iter window from the menu, with the matter chosen in its deadline list.
    iter::FrmGestIter *iterWithMatterChosen(MDIMenu *main)
    {
        auto *gest = qobject_cast<iter::FrmGestIter *>(menu(main, "mnuiter"));
        EXPECT_NE(gest, nullptr);
        if (!gest)
            return nullptr;
        boxes.clear();
        gest->findChild<QTabWidget *>(QStringLiteral("TabIter"))->setCurrentIndex(2);
        // Fifteen days ahead, so that every postponement here is listed.
        pick(gest, "cmbGG", QStringLiteral("15"));
        child(gest, "cmdEseguiRicerca")->click();
        ui::RowList *due = rows(gest, "LwProtocolli");
        EXPECT_EQ(due->count(), 1);
        if (due->count() != 1)
            return nullptr;
        emit due->chosen(0);
        return gest;
    }
    // "Imposta scadenza", then the form filled and "Registra".
    void postponeTo(MDIMenu *main, iter::FrmGestIter *gest, const QDate &to, const QString &shownNow)
    {
        QAction *set = gest->findChild<QAction *>(QStringLiteral("BtnTB_7"));
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(set->text(), QStringLiteral("Imposta scadenza"));
        ASSERT_TRUE(set->isEnabled());
        set->trigger();
        QPointer<FrmRinviaScad> w = qobject_cast<FrmRinviaScad *>(active(main));
        ASSERT_TRUE(w);
        EXPECT_EQ(text(w, "TxtScadAtt"), shownNow);
        EXPECT_EQ(text(w, "lblTitolo"), kPostponeHeading + QStringLiteral("2024-0000001"));
        edit(w, "TxtNuovaScad", day(to));
        edit(w, "TxtMotivo", QStringLiteral("Attesa parere legale"));
        edit(w, "TxtFunzionario", QStringLiteral("Dott. Conti"));
        edit(w, "TxtEstremi", QStringLiteral("Nota 55/2026"));
        boxes.clear();
        child(w, "CmdRegistra")->click();
        QApplication::processEvents();
        EXPECT_FALSE(w) << boxes.texts().join(QLatin1Char('|')).toStdString();
        QApplication::processEvents();
    }
    FrmStoricoScadenze *historyFrom(MDIMenu *main, iter::FrmGestIter *gest)
    {
        child(gest, "cmdStoricoScadenze")->click();
        return qobject_cast<FrmStoricoScadenze *>(active(main));
    }
    QString count(const QString &more = {})
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ProScadenza WHERE Tab_Protocollo = '") + kNumber
                      + QLatin1Char('\'') + more);
    }
};

TEST_P(PostponeWindows, ChecksOfTheFormInOrderThenTheWindowClosesAndTheIterListsShowTheNewDate)
{
    assigned(kToday.addDays(1));
    MDIMenu *main = start(QStringLiteral("DEMO7"));
    ASSERT_NE(main, nullptr);
    iter::FrmGestIter *gest = iterWithMatterChosen(main);
    ASSERT_NE(gest, nullptr);
    gest->findChild<QAction *>(QStringLiteral("BtnTB_7"))->trigger();
    QPointer<FrmRinviaScad> w = qobject_cast<FrmRinviaScad *>(active(main));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Impostazione Scadenza di una Pratica"));
    EXPECT_EQ(text(w, "TxtScadAtt"), day(kToday.addDays(1)));
    test::expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/rinvia.png"));

    const auto registra = [&] {
        boxes.clear();
        child(w, "CmdRegistra")->click();
        return boxes.texts().value(0);
    };
    EXPECT_EQ(registra(), QStringLiteral("Inserire una data corretta"));
    edit(w, "TxtNuovaScad", day(kToday.addDays(1)));
    EXPECT_EQ(registra(), postpone::kNotLaterThanCurrent);
    edit(w, "TxtNuovaScad", day(kToday.addDays(2)));
    EXPECT_EQ(registra(), kNoReason);
    edit(w, "TxtMotivo", QStringLiteral("Attesa parere legale"));
    EXPECT_EQ(registra(), kNoOfficial);
    EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>(w, "TxtFunzionario"));
    EXPECT_EQ(count(), QStringLiteral("0"));
    edit(w, "TxtFunzionario", QStringLiteral("Dott. Conti"));
    EXPECT_EQ(registra(), QString());
    QApplication::processEvents();
    EXPECT_FALSE(w);
    EXPECT_EQ(count(QStringLiteral(" AND Tab_flagRinvio = 1 AND Tab_Operatore = 'DEMO7'")), QStringLiteral("1"));

    // The iter window reads its lists again: the deadline in force is the new one.
    QApplication::processEvents();
    ui::RowList *due = rows(gest, "LwProtocolli");
    ASSERT_EQ(due->count(), 1);
    EXPECT_EQ(due->text(0, 0), day(kToday.addDays(2)));

    // Its history, from "Storico Scadenze" of the same window.
    FrmStoricoScadenze *h = historyFrom(main, gest);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->windowTitle(), QStringLiteral("Storico scadenze di un documento Protocollato"));
    EXPECT_EQ(text(h, "lblTitolo"), kHistoryHeading + QStringLiteral("2024-0000001"));
    ui::RowList *grid = rows(h, "FlexRinvii");
    ASSERT_EQ(grid->count(), 1);
    EXPECT_EQ(grid->text(0, 0), QStringLiteral("1° Rinvio"));
    EXPECT_EQ(grid->text(0, 1), day(kToday));
    EXPECT_EQ(grid->text(0, 2), day(kToday.addDays(2)));
    EXPECT_EQ(grid->text(0, 3), QStringLiteral("Dott. Conti"));
    EXPECT_EQ(grid->text(0, 5), QStringLiteral("Attesa parere legale"));
    EXPECT_EQ(grid->text(0, 6), QStringLiteral("DEMO7"));
    test::expectFitsWithFieldsLabelled(main, h, db().folder() + QStringLiteral("/storico.png"));
    test::expectHeadingsWhole(grid->view());
}

TEST_P(PostponeWindows, AssignedPostponedRefusedToAnotherClerkAndPutBackByTheProtocolManager)
{
    assigned(kToday.addDays(1));

    // The office postpones it once, the protocol manager once more.
    MDIMenu *main = start(QStringLiteral("DEMO7"));
    ASSERT_NE(main, nullptr);
    iter::FrmGestIter *gest = iterWithMatterChosen(main);
    ASSERT_NE(gest, nullptr);
    postponeTo(main, gest, kToday.addDays(4), day(kToday.addDays(1)));
    restart();
    main = start(QStringLiteral("DEMO9"));
    ASSERT_NE(main, nullptr);
    gest = iterWithMatterChosen(main);
    ASSERT_NE(gest, nullptr);
    postponeTo(main, gest, kToday.addDays(9), day(kToday.addDays(4)));
    EXPECT_EQ(rows(gest, "LwProtocolli")->text(0, 0), day(kToday.addDays(9)));
    restart();

    // The office's clerk may not remove the manager's postponement.
    main = start(QStringLiteral("DEMO7"));
    ASSERT_NE(main, nullptr);
    gest = iterWithMatterChosen(main);
    ASSERT_NE(gest, nullptr);
    FrmStoricoScadenze *h = historyFrom(main, gest);
    ASSERT_NE(h, nullptr);
    ui::RowList *grid = rows(h, "FlexRinvii");
    EXPECT_EQ(column(grid, 0), (QStringList{QStringLiteral("1° Rinvio"), QStringLiteral("2° Rinvio")}));
    EXPECT_EQ(column(grid, 6), (QStringList{QStringLiteral("DEMO7"), QStringLiteral("DEMO9")}));
    boxes.clear();
    child(h, "CmdElimina")->click();
    EXPECT_EQ(boxes.texts(), QStringList{postpone::kNotYours});
    EXPECT_EQ(count(), QStringLiteral("2"));
    restart();

    // The manager removes both, the last first; the assignment's deadline
    // is in force again and there is nothing more to remove.
    main = start(QStringLiteral("DEMO9"));
    ASSERT_NE(main, nullptr);
    gest = iterWithMatterChosen(main);
    ASSERT_NE(gest, nullptr);
    h = historyFrom(main, gest);
    ASSERT_NE(h, nullptr);
    grid = rows(h, "FlexRinvii");
    child(h, "CmdElimina")->click();
    EXPECT_EQ(column(grid, 2), QStringList{day(kToday.addDays(4))});
    boxes.clear();
    child(h, "CmdElimina")->click();
    EXPECT_EQ(grid->count(), 0);
    EXPECT_EQ(boxes.texts(), QStringList{kNoDeadlines});
    boxes.clear();
    child(h, "CmdElimina")->click();
    EXPECT_EQ(count(), QStringLiteral("0"));
    activate(main, gest);
    child(gest, "cmdEseguiRicerca")->click();
    EXPECT_EQ(rows(gest, "LwProtocolli")->text(0, 0), day(kToday.addDays(1)));
}

// The whole story through the windows: assigned with a deadline,
// postponed with its authorisation, seen so in the deadline overview and
// in the history, the postponement removed by the protocol manager, and the
// overview printed with the deadline back in force.
TEST_P(PostponeWindows, PostponedSeenInTheOverviewAndHistoryRemovedAndPrinted)
{
    assigned(kToday.addDays(2));
    const auto overviewDeadline = [this](MDIMenu *main) {
        auto *w = qobject_cast<FrmScadPratiche *>(menu(main, "mnuricprotope"));
        EXPECT_NE(w, nullptr);
        if (!w)
            return QString();
        w->findChild<QRadioButton *>(QStringLiteral("OptinScad"))->setChecked(true);
        pick(w, "cmbGG", QStringLiteral("15"));
        boxes.clear();
        press(main, "CERCA");
        const int row = w->list()->model()->find(overview::ColKey, kNumber);
        return row < 0 ? QString() : w->list()->text(row, overview::ColDeadline);
    };

    MDIMenu *main = start(QStringLiteral("DEMO7"));
    ASSERT_NE(main, nullptr);
    iter::FrmGestIter *gest = iterWithMatterChosen(main);
    ASSERT_NE(gest, nullptr);
    postponeTo(main, gest, kToday.addDays(6), day(kToday.addDays(2)));
    EXPECT_EQ(overviewDeadline(main), day(kToday.addDays(6)));
    restart();

    // The protocol manager prints to a PDF file.
    ASSERT_EQ(startAs(QStringLiteral("DEMO9"), QStringLiteral("demo9pwd"),
                      {QStringLiteral("SET OLEGP=") + kProtocolProgId, QStringLiteral("SET STAMPANTE-REPORT=PDF"),
                       QStringLiteral("SET REPORT=") + test::shippedTemplates()}),
              StartUp::kRunning);
    main = qobject_cast<MDIMenu *>(StartUp::mainWindow());
    ASSERT_NE(main, nullptr);
    main->resize(1024, 768);
    QApplication::processEvents();
    EXPECT_EQ(overviewDeadline(main), day(kToday.addDays(6)));
    gest = iterWithMatterChosen(main);
    ASSERT_NE(gest, nullptr);
    FrmStoricoScadenze *h = historyFrom(main, gest);
    ASSERT_NE(h, nullptr);
    ui::RowList *grid = rows(h, "FlexRinvii");
    EXPECT_EQ(column(grid, 0), QStringList{QStringLiteral("1° Rinvio")});
    EXPECT_EQ(column(grid, 2), QStringList{day(kToday.addDays(6))});
    EXPECT_EQ(column(grid, 3), QStringList{QStringLiteral("Dott. Conti")});
    EXPECT_EQ(column(grid, 4), QStringList{QStringLiteral("Nota 55/2026")});
    boxes.clear();
    child(h, "CmdElimina")->click();
    EXPECT_EQ(count(), QStringLiteral("0"));

    EXPECT_EQ(overviewDeadline(main), day(kToday.addDays(2)));
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("scadenze.pdf"));
    boxes.files << pdf;
    press(main, "STAMPA");
    EXPECT_EQ(boxes.texts(), QStringList());
    const QString printed = test::pdfText(pdf);
    for (const QString &part : {QStringLiteral("2024-0000001"), QStringLiteral("RICHIESTA PARERE"), day(kToday.addDays(2))})
        EXPECT_TRUE(printed.contains(part)) << part.toStdString() << "\n" << printed.toStdString();
    EXPECT_FALSE(printed.contains(day(kToday.addDays(6)))) << printed.toStdString();
}

TEST_P(PostponeWindows, HistoryFromTheRegistrationWindowAndFromTheGeneralSearch)
{
    assigned(QDate());
    // The initial deadline set on a matter that had none.
    postpone::Postponement p{QStringLiteral("001"), kNumber, kToday.addDays(3), QStringLiteral("Termine di legge"),
                             QStringLiteral("Dott. Conti"), QString(), QStringLiteral("DEMO9")};
    QVariantList request = postpone::postponeRequest(p);
    ProtocolServer server(db().centralTarget());
    ASSERT_EQ(server.Elabora(kOpRegistraScadenza, request).value(0).toInt(), 0);

    MDIMenu *main = start(QStringLiteral("DEMO9"));
    ASSERT_NE(main, nullptr);
    // The registration window, with the protocol found through its search.
    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    press(main, "CERCA");
    child<QLineEdit>(reg, "DataDal")->clear();
    child<QLineEdit>(reg, "DataAl")->clear();
    edit(reg, "TxtAProto", QStringLiteral("2024"));
    edit(reg, "TxtNumero", QStringLiteral("1"));
    child(reg, "CmdAvviaRicerca")->click();
    auto *found = reg->findChild<QTreeWidget *>(QStringLiteral("LwProtocolli"));
    ASSERT_NE(found, nullptr);
    ASSERT_EQ(found->topLevelItemCount(), 1) << boxes.texts().join(QLatin1Char('|')).toStdString();
    emit found->itemActivated(found->topLevelItem(0), 0);
    QApplication::processEvents();
    auto *button = child(reg, "btnTB_10");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("Storico Scadenze"));
    ASSERT_TRUE(button->isEnabled()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    button->click();
    auto *h = qobject_cast<FrmStoricoScadenze *>(active(main));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->number(), kNumber);
    ui::RowList *grid = rows(h, "FlexRinvii");
    EXPECT_EQ(column(grid, 0), QStringList{QStringLiteral("Scadenza iniziale")});
    EXPECT_EQ(column(grid, 2), QStringList{day(kToday.addDays(3))});
    boxes.clear();
    child(h, "CmdElimina")->click();
    EXPECT_EQ(boxes.texts(), QStringList{postpone::kNothingToRemove});
    child(h, "CmdEsci")->click();
    QApplication::processEvents();

    // The general search: the protocol open in its detail offers its deadlines.
    auto *search = qobject_cast<search::FrmFiltroRProt *>(menu(main, "mnuricercaprot"));
    ASSERT_NE(search, nullptr);
    ASSERT_TRUE(search->search());
    ASSERT_GE(search->list()->count(), 1);
    ASSERT_TRUE(search->openRow(0));
    EXPECT_TRUE(search->toolbarKeys().endsWith(QStringLiteral(";STORICO SCADENZE")));
    press(main, "STORICO SCADENZE");
    h = qobject_cast<FrmStoricoScadenze *>(active(main));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->number(), kNumber);
    EXPECT_EQ(rows(h, "FlexRinvii")->count(), 1);
}

NIMBO_INSTANTIATE_ENGINES(PostponeWindows);

} // namespace
