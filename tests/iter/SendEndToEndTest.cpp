// The way of a letter through the body, as the clerks drive it through the
// menus and toolbars on both engines: DEMO9 registers an incoming letter
// and assigns it from the registration window to his office UPR for
// competence and to RAG for information; DEMO7 of UPR finds it among the
// documents in arrival, takes it in charge and transmits it to PER; the
// iter of the protocol shows the three movements in order.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QToolBar>

#include "../ui/UiFixture.h"
#include "iter/FrmAssegna.h"
#include "iter/FrmGestIter.h"
#include "iter/FrmInCarico.h"
#include "iter/FrmTrasmetti.h"
#include "iter/Iter.h"
#include "startup/MDIMenu.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

using namespace nimbo;
using namespace nimbo::iter;

namespace {

class SendEndToEnd : public test::UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        protocol::registerProtocolWindows();
        registerIterWindows();
        FrmAssegna::forgetLastAssignment();
    }
    void TearDown() override
    {
        StartUp::shutdown();
        C_GestDB::closeLocalDatabase();
        UiTest::TearDown();
    }
    MDIMenu *logIn(const QString &code)
    {
        const int started = startAs(code, code.toLower() + QStringLiteral("pwd"),
                                    {QStringLiteral("SET OLEGP=") + kProtocolProgId});
        EXPECT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
        auto *main = qobject_cast<MDIMenu *>(StartUp::mainWindow());
        if (main) {
            main->resize(1024, 768);
            QApplication::processEvents();
        }
        return main;
    }
    static QWidget *active(MDIMenu *main)
    {
        QApplication::processEvents();
        return main->area()->currentSubWindow() ? main->area()->currentSubWindow()->widget() : nullptr;
    }
    static QWidget *menu(MDIMenu *main, const char *item)
    {
        auto *a = main->findChild<QAction *>(QLatin1String(item));
        EXPECT_TRUE(a && a->isEnabled()) << item;
        if (!a || !a->isEnabled())
            return nullptr;
        a->trigger();
        return active(main);
    }
    static void press(MDIMenu *main, const char *key)
    {
        for (QAction *a : main->findChild<QToolBar *>(QStringLiteral("TbarMdi"))->actions())
            if (a->objectName() == QLatin1String(key) && a->isVisible()) {
                a->trigger();
                return;
            }
        ADD_FAILURE() << "no visible toolbar button " << key;
    }
    static void pick(QWidget *w, const char *combo, const QString &code)
    {
        auto *c = child<QComboBox>(w, combo);
        ASSERT_NE(c, nullptr) << combo;
        c->setCurrentIndex(c->findData(code));
        ASSERT_GE(c->currentIndex(), 0) << combo << " " << code.toStdString();
    }
    static void add(QWidget *w, const char *dep, const char *office, const char *option)
    {
        pick(w, "CboDip", QString::fromLatin1(dep));
        pick(w, "cboUff", QString::fromLatin1(office));
        child<QRadioButton>(w, option)->setChecked(true);
        child(w, "CmdAggiungi")->click();
    }
    // The list whose view carries the name.
    static ui::RowList *rows(QWidget *w, const char *view)
    {
        auto *v = w->findChild<QTableView *>(QLatin1String(view));
        return v ? qobject_cast<ui::RowList *>(v->parentWidget()) : nullptr;
    }
    static int rowOf(ui::RowList *l, int column, const QString &text)
    {
        for (int r = 0; r < l->count(); ++r)
            if (l->text(r, column) == text)
                return r;
        return -1;
    }
};

TEST_P(SendEndToEnd, RegisterAssignTakeInChargeAndTransmit)
{
    // DEMO9 registers an incoming letter.
    MDIMenu *main = logIn(QStringLiteral("DEMO9"));
    ASSERT_NE(main, nullptr);
    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    press(main, "NUOVO");
    child<QRadioButton>(reg, "OptTipoProtocollo_0")->click();
    type(reg, "CodiceMitDest", QStringLiteral("2"));
    type(reg, "CodTipoDoc", QStringLiteral("LET"));
    child<QLineEdit>(reg, "Oggetto")->setText(QStringLiteral("Richiesta di accesso agli atti"));
    if (!child<QLineEdit>(reg, "CodSedeRic")->isReadOnly()) {
        type(reg, "CodSedeRic", QStringLiteral("PRO"));
        type(reg, "CodUfficio", QStringLiteral("UPR"));
    }
    press(main, "REGISTRA");
    const QString number = storedNumber(child<QLineEdit>(reg, "txtNumeroProtocollo")->text());
    ASSERT_EQ(number.size(), 11) << boxes.texts().join(QLatin1Char('|')).toStdString();

    // ...and assigns it from the registration window.
    child(reg, "btnTB_9")->click();
    auto *assign = qobject_cast<FrmAssegna *>(active(main));
    ASSERT_NE(assign, nullptr);
    add(assign, "PRO", "UPR", "OptCompetenza");
    add(assign, "AMM", "RAG", "OptCopiaConoscenza");
    boxes.clear();
    child(assign, "cmdRegistraSped")->click();
    ASSERT_EQ(boxes.texts(), QStringList{QStringLiteral("Operazione effettuata con successo")});
    // The registration window's iter tab shows the assignment at once.
    auto *regIter = reg->findChild<QTreeWidget *>(QStringLiteral("lswIter"));
    ASSERT_NE(regIter, nullptr);
    ASSERT_EQ(regIter->topLevelItemCount(), 1);
    EXPECT_EQ(regIter->topLevelItem(0)->text(1), QStringLiteral("Assegnazione"));
    reg->dirty()->setClean();
    StartUp::shutdown();
    C_GestDB::closeLocalDatabase();

    // DEMO7 of UPR finds it among the documents in arrival and takes it in charge.
    main = logIn(QStringLiteral("DEMO7"));
    ASSERT_NE(main, nullptr);
    auto *gest = qobject_cast<FrmGestIter *>(menu(main, "mnuiter"));
    ASSERT_NE(gest, nullptr);
    child(gest, "cmdArrivo")->click();
    auto *tray = qobject_cast<FrmInCarico *>(active(main));
    ASSERT_NE(tray, nullptr);
    auto *arrivals = rows(tray, "lswArrivo");
    ASSERT_NE(arrivals, nullptr);
    const int row = rowOf(arrivals, 1, shownNumber(number));
    ASSERT_GE(row, 0);
    arrivals->model()->setChecked(row, true);
    boxes.clear();
    child(tray, "cmdInCarico")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Operazione effettuata.")});
    EXPECT_EQ(rowOf(arrivals, 1, shownNumber(number)), -1);

    // Back in the iter management, the protocol is held by UPR; DEMO7
    // chooses it and transmits it to PER.
    for (QMdiSubWindow *sub : main->area()->subWindowList())
        if (sub->widget() == gest)
            main->area()->setActiveSubWindow(sub);
    child(gest, "cmdVisualizza")->click();
    auto *held = rows(gest, "lswinCarico");
    ASSERT_NE(held, nullptr);
    const int heldRow = rowOf(held, 1, shownNumber(number));
    ASSERT_GE(heldRow, 0);
    emit held->chosen(heldRow);
    gest->findChild<QAction *>(QStringLiteral("BtnTB_2"))->trigger();
    auto *transmit = qobject_cast<FrmTrasmetti *>(active(main));
    ASSERT_NE(transmit, nullptr);
    EXPECT_EQ(child<QLineEdit>(transmit, "TxtProtI")->text(), shownNumber(number));
    add(transmit, "AMM", "PER", "OptCompetenza");
    boxes.clear();
    child(transmit, "CmdInvia")->click();
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("CONFERMI l'assegnazione del documento ai destinatari "
                                                         "selezionati?"),
                                          QStringLiteral("Trasmissione effettuata.")}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();

    // The iter tab shows the three movements in order.
    gest->showProtocol(QStringLiteral("E"), number);
    gest->findChild<QTabWidget *>(QStringLiteral("TabIter"))->setCurrentIndex(1);
    auto *iter = rows(gest, "lswIter");
    ASSERT_NE(iter, nullptr);
    ASSERT_EQ(iter->count(), 3);
    EXPECT_EQ(iter->text(0, 1), QStringLiteral("Assegnazione"));
    EXPECT_EQ(iter->text(1, 1), QStringLiteral("Presa in carico"));
    EXPECT_EQ(iter->text(2, 1), QStringLiteral("Ritrasmissione"));
    EXPECT_EQ(iter->text(2, 3), QStringLiteral("UFFICIO PROTOCOLLO GENERALE"));
    // PER now has it in its tray; UPR's charge passed on with the competence.
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Iter_Trasmissioni WHERE Tab_NumeroProtocollo='") + number +
                     QStringLiteral("' AND Tab_UfficioDestinatario IN ('PER','RAG')")),
              QStringLiteral("2"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Iter_Documento WHERE Tab_NumeroProtocollo='") + number +
                     QStringLiteral("' AND Tab_InCarico='S'")),
              QStringLiteral("0"));
}

NIMBO_INSTANTIATE_ENGINES(SendEndToEnd);

} // namespace
