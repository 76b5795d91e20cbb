// The further-recipients window reached the way a clerk reaches it: the
// registration window's "Altri Destinatari" on the protocol shown (outgoing
// only; read-only when that protocol may no longer be changed), a
// recipient added through quick entry, the list registered; and the window
// as it looks inside a 1024x768 main window.

#include <QTreeWidget>

#include "RecipientFixture.h"

using namespace nimbo;
using links::FrmAltriDest;

namespace {

class RecipientReach : public test::RecipientTest {
protected:
    // Finds the protocol of 2025 by its number and loads it, as the clerk
    // does from the search panel.
    void load(MDIMenu *main, QWidget *reg, const QString &number)
    {
        press(main, "CERCA");
        child<QLineEdit>(reg, "TxtAProto")->setText(QStringLiteral("2025"));
        child<QLineEdit>(reg, "TxtNumero")->setText(number);
        child<QLineEdit>(reg, "DataDal")->clear();
        child<QLineEdit>(reg, "DataAl")->clear();
        child(reg, "CmdAvviaRicerca")->click();
        auto *found = child<QTreeWidget>(reg, "LwProtocolli");
        ASSERT_EQ(found->topLevelItemCount(), 1);
        emit found->itemActivated(found->topLevelItem(0), 0);
    }
    // "Altri Destinatari" pressed: the window in front.
    FrmAltriDest *press(MDIMenu *main, QWidget *reg)
    {
        EXPECT_TRUE(child(reg, "CmdAltriDest")->isEnabled());
        child(reg, "CmdAltriDest")->click();
        QApplication::processEvents();
        return qobject_cast<FrmAltriDest *>(active(main));
    }
    using RecipientTest::press;
};

TEST_P(RecipientReach, TheRegistrationWindowOpensItOnTheProtocolShownAndQuickEntryAddsToIt)
{
    seedProtocol(QStringLiteral("20250000041"), QStringLiteral("E"));
    seedProtocol(QStringLiteral("20250000042"), QStringLiteral("U"), QStringLiteral("C"));
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);

    // A new outgoing protocol has no number to give the recipients yet.
    press(main, "NUOVO");
    child<QRadioButton>(reg, "OptTipoProtocollo_1")->click();
    child(reg, "CmdAltriDest")->click();
    EXPECT_EQ(boxes.texts(),
              QStringList{QStringLiteral("Gli altri destinatari si indicano dopo la registrazione del protocollo.")});
    EXPECT_EQ(active(main), reg);
    boxes.answers = {Answer::Yes};
    press(main, "ANNULLA");

    // An incoming protocol: the button is off.
    ASSERT_NO_FATAL_FAILURE(load(main, reg, QStringLiteral("41")));
    EXPECT_FALSE(child(reg, "CmdAltriDest")->isEnabled());
    // A cancelled one: the list is consulted.
    ASSERT_NO_FATAL_FAILURE(load(main, reg, QStringLiteral("42")));
    FrmAltriDest *w = press(main, reg);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(text(w, "TxtNumeroProtocollo"), QStringLiteral("2025-0000042"));
    EXPECT_EQ(w->mode(), FrmAltriDest::kReadOnly);
    EXPECT_FALSE(child(w, "CmdRegistra")->isEnabled());
    press(main, "ESCI");
    settle();

    // The outgoing protocol DEMO9 may change.
    activate(main, reg);
    ASSERT_NO_FATAL_FAILURE(load(main, reg, QStringLiteral("40")));
    w = press(main, reg);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(text(w, "TxtNumeroProtocollo"), QStringLiteral("2025-0000040"));
    EXPECT_EQ(text(w, "TxtOggetto"), QStringLiteral("CONVOCAZIONE CONFERENZA DEI SERVIZI"));
    EXPECT_TRUE(w->mayChange());

    // A recipient not in the address book yet, added through quick entry.
    child(w, "CmdAggiungi")->click();
    child<QLineEdit>(w, "TxtRicerca")->setText(QStringLiteral("ufficio scolastico"));
    child(w, "CmdNuovo")->click();
    QWidget *quick = active(main);
    ASSERT_NE(quick, nullptr);
    ASSERT_EQ(quick->objectName(), QStringLiteral("frmMittLight"));
    EXPECT_EQ(text(quick, "txtNome"), QStringLiteral("UFFICIO SCOLASTICO"));
    edit(quick, "txtDom", QStringLiteral("via del gallitello"));
    edit(quick, "TxtCivico", QStringLiteral("3"));
    type(quick, "TxtCCom", QStringLiteral("85100"));
    boxes.clear();
    press(main, "REGISTRA");
    settle();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("'UFFICIO SCOLASTICO' è stato aggiunto all'elenco dei destinatari "
                                                        "del documento.")});
    EXPECT_EQ(listed(w), QStringList{QStringLiteral("31")});
    EXPECT_EQ(column(w, "LwAltri", 2), QStringList{QStringLiteral("VIA DEL GALLITELLO, 3 - Potenza")});

    // Registered: the list is the protocol's and the window goes.
    activate(main, w);
    QPointer<FrmAltriDest> open = w;
    boxes.clear();
    child(w, "CmdRegistra")->click();
    settle();
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(open.isNull());
    EXPECT_EQ(stored(), QStringList{QStringLiteral("31")});
}

TEST_P(RecipientReach, ItFitsTheMainWindowWithEveryFieldLabelled)
{
    further(kOutgoing, 5);
    further(kOutgoing, 9);
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    FrmAltriDest *w = openOn(kOutgoing, QStringLiteral("MODIFICABILE"));
    ASSERT_NE(w, nullptr);
    searchFor(w, false, QStringLiteral("CO"));
    QApplication::processEvents();
    test::expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/altri-destinatari.png"));
    for (const char *list : {"LwAltri", "LwSelezione"})
        test::expectHeadingsWhole(rows(w, list)->view());
}

NIMBO_INSTANTIATE_ENGINES(RecipientReach);

} // namespace
