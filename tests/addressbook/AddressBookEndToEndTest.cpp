// The address book as a clerk meets it, through the menus and the main
// window's toolbar: a sender that is not in the address book is added by
// quick entry from the registration, with its municipality found by postal
// code, and the protocol registered; in "Mittenti/Destinatari" the new
// entry is found and cannot be deleted, since the protocol uses it.

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QToolBar>

#include "AddressBookFixture.h"
#include "startup/MDIMenu.h"
#include "ui/FormKit.h"

using namespace nimbo;
using protocol::FrmProtocollo;

namespace {

using AddressBookEndToEnd = test::AddressBookMenusTest;

TEST_P(AddressBookEndToEnd, ASenderAddedByQuickEntryIsRegisteredAndThenCannotBeDeleted)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);

    // A registration whose sender is not in the address book.
    auto *reg = qobject_cast<FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    press(main, "NUOVO");
    child<QRadioButton>(reg, "OptTipoProtocollo_0")->click();
    type(reg, "CodiceMitDest", QStringLiteral("forno l'aquila"));
    EXPECT_EQ(text(reg, "DescMitDest"), QString());

    // Quick entry, the municipality by its postal code.
    child(reg, "CmdNuovoMitDest")->click();
    QWidget *quick = active(main);
    ASSERT_NE(quick, nullptr);
    ASSERT_EQ(quick->objectName(), QStringLiteral("frmMittLight"));
    EXPECT_EQ(text(quick, "txtNome"), QStringLiteral("FORNO L'AQUILA"));
    edit(quick, "txtDom", QStringLiteral("via pretoria"));
    edit(quick, "TxtCivico", QStringLiteral("21"));
    type(quick, "TxtCCom", QStringLiteral("85100"));
    EXPECT_EQ(text(quick, "LblComune"), QStringLiteral("Potenza"));
    EXPECT_EQ(text(quick, "LblCap"), QStringLiteral("85100 (PZ)"));
    boxes.clear();
    press(main, "REGISTRA");
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(active(main), reg);
    EXPECT_EQ(text(reg, "CodiceMitDest"), QStringLiteral("31"));
    EXPECT_EQ(text(reg, "DescMitDest"), QStringLiteral("FORNO L'AQUILA - VIA PRETORIA, 21 - Potenza"));

    // The registration goes on.
    activate(main, reg);
    type(reg, "CodTipoDoc", QStringLiteral("LET"));
    child<QLineEdit>(reg, "Oggetto")->setText(QStringLiteral("Fornitura pane per la mensa"));
    type(reg, "CodSedeRic", QStringLiteral("PRO"));
    type(reg, "CodUfficio", QStringLiteral("UPR"));
    press(main, "REGISTRA");
    const QString number = child<QLineEdit>(reg, "txtNumeroProtocollo")->text();
    ASSERT_FALSE(number.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Intestatario FROM Tab_Protocollo WHERE Tab_Oggetto = "
                                    "'Fornitura pane per la mensa'")),
              QStringLiteral("31"));

    // The address book finds it and will not delete it.
    QWidget *book = menu(main, "mnugestioneMD");
    ASSERT_NE(book, nullptr);
    ASSERT_EQ(book->objectName(), QStringLiteral("FrmRubrica"));
    type(book, "TxtRic", QStringLiteral("forno"));
    auto *list = test::rowList(book, "LwNomi");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->text(0, 2), QStringLiteral("VIA PRETORIA, 21  - Potenza"));
    ASSERT_TRUE(list->select(0, QStringLiteral("31")));
    QTest::keyClick(list->view(), Qt::Key_Return);
    EXPECT_EQ(text(book, "txtNome"), QStringLiteral("FORNO L'AQUILA"));
    EXPECT_TRUE(ui::looksReadOnly(child<QLineEdit>(book, "txtNome")));
    boxes.clear();
    press(main, "CANCELLA");
    EXPECT_EQ(boxes.texts(), QStringList{addressbook::kMsgInUse});
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Rubrica WHERE Tab_Identificativo = 31")),
              QStringLiteral("1"));

    // The groups window is on its menu item too.
    QWidget *groups = menu(main, "MnuGruppi");
    ASSERT_NE(groups, nullptr);
    EXPECT_EQ(groups->objectName(), QStringLiteral("FrmGruppiRubrica"));
    EXPECT_EQ(groups->windowTitle(), QStringLiteral("Gestione Gruppi Mittenti/Destinatari"));
}

TEST_P(AddressBookEndToEnd, QuickEntryOutlivingTheRegistrationWindowStillWritesItsEntry)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    QPointer<QWidget> reg = menu(main, "mnuProtDoc");
    ASSERT_NE(reg, nullptr);
    press(main, "NUOVO");
    child<QRadioButton>(reg, "OptTipoProtocollo_0")->click();
    type(reg, "CodiceMitDest", QStringLiteral("ottica rinaldi"));
    child(reg, "CmdNuovoMitDest")->click();
    QPointer<QWidget> quick = active(main);
    ASSERT_NE(quick, nullptr);
    ASSERT_EQ(quick->objectName(), QStringLiteral("frmMittLight"));

    // The clerk closes the registration, throwing his typing away, and
    // then completes the quick entry: it has nobody to fill any more.
    activate(main, reg);
    boxes.clear();
    boxes.answers = {Answer::Yes};
    press(main, "ESCI");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(reg.isNull());
    activate(main, quick);
    edit(quick, "txtDom", QStringLiteral("via del gallitello"));
    edit(quick, "TxtCivico", QStringLiteral("9"));
    type(quick, "TxtCCom", QStringLiteral("85100"));
    boxes.clear();
    press(main, "REGISTRA");
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(quick.isNull());
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Rubrica WHERE Tab_Denominazione = 'OTTICA RINALDI'")),
              QStringLiteral("1"));
}

TEST_P(AddressBookEndToEnd, SearchesThatFindNothingSaySoAndAnEntryInAGroupKeepsItsName)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    QWidget *book = menu(main, "mnugestioneMD");
    ASSERT_NE(book, nullptr);
    boxes.clear();
    type(book, "TxtRic", QStringLiteral("nessuno si chiama cosi"));
    EXPECT_EQ(boxes.texts(), QStringList{addressbook::kMsgNothingFound});
    EXPECT_EQ(boxes.shown.value(0).icon, Icon::Information);
    EXPECT_EQ(boxes.shown.value(0).title, book->windowTitle());
    const auto open = [&] {
        boxes.clear();
        type(book, "TxtRic", QStringLiteral("cartoleria"));
        EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
        auto *list = test::rowList(book, "LwNomi");
        ASSERT_TRUE(list && list->select(0, QStringLiteral("17")));
        QTest::keyClick(list->view(), Qt::Key_Return);
        ASSERT_EQ(text(book, "txtNome"), QStringLiteral("CARTOLERIA MODERNA"));
    };
    open();
    EXPECT_FALSE(ui::looksReadOnly(child<QLineEdit>(book, "txtNome"))) << "nothing uses it yet";
    // So does the municipality's lookup.
    boxes.clear();
    type(book, "TxtCCom", QStringLiteral("zzzzzz"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Nessun Comune trovato")});
    boxes.answers = {Answer::Yes};
    press(main, "ANNULLA");

    // The clerk puts it into a group; the group's search says so too when
    // it finds nobody.
    QWidget *groups = menu(main, "MnuGruppi");
    ASSERT_NE(groups, nullptr);
    press(main, "NUOVO");
    edit(groups, "TxtGruppo", QStringLiteral("fornitori"));
    boxes.clear();
    type(groups, "TxtRic", QStringLiteral("nessuno si chiama cosi"));
    EXPECT_EQ(boxes.texts(), QStringList{addressbook::kMsgNothingFound});
    boxes.clear();
    type(groups, "TxtRic", QStringLiteral("cartoleria"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    ASSERT_TRUE(test::rowList(groups, "LwRicerca")->select(0, QStringLiteral("17")));
    child<QPushButton>(groups, "CmdTrasferisci")->click();
    EXPECT_TRUE(boxes.shown.isEmpty()) << "moving the last one found is no search";
    press(main, "REGISTRA");
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_RubricaGruppi WHERE Tab_Identificativo = 17")),
              QStringLiteral("1"));

    // Back in the address book its name can no longer change.
    activate(main, book);
    open();
    EXPECT_TRUE(ui::looksReadOnly(child<QLineEdit>(book, "txtNome")));
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(AddressBookEndToEnd);
