// The organisation as a clerk at the registry desk uses it, through the
// menus, the structure tree's context menu and the main window's toolbar:
// an office added under a department turns up in the registration window
// and goes away from it when it is closed; an operator created in the
// window becomes a member of his office from the tree, logs in and
// registers a protocol for that office.

#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QToolBar>
#include <QTreeView>

#include "ui/Keyboard.h"
#include "../ui/UiFixture.h"
#include "organisation/FrmTreeStruttura.h"
#include "organisation/Organisation.h"
#include "startup/MDIMenu.h"
#include "ui/DateField.h"
#include "ui/RecordEditor.h"
#include "ui/TreeModel.h"

using namespace nimbo;
using protocol::FrmProtocollo;

namespace {

class EndToEnd : public test::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        protocol::registerProtocolWindows();
        organisation::registerOrganisationWindows();
    }
    // The entry of a node's context menu; the editor it opened.
    static QWidget *fromTree(MDIMenu *main, organisation::FrmTreeStruttura *tree, const QString &key, const char *entry)
    {
        activate(main, tree);
        const QModelIndex at = tree->model()->indexOfKey(key);
        EXPECT_TRUE(at.isValid()) << key.toStdString();
        tree->tree()->setCurrentIndex(at);
        tree->prepareMenu(at);
        auto *a = tree->findChild<QAction *>(QLatin1String(entry));
        EXPECT_TRUE(a && a->isVisible() && a->isEnabled()) << entry;
        if (!a)
            return nullptr;
        a->trigger();
        return active(main);
    }
    // What the registration window's office lookup finds for a code.
    QString officeFound(MDIMenu *main, FrmProtocollo *w, const QString &code)
    {
        activate(main, w);
        press(main, "NUOVO");
        type(w, "CodSedeRic", QStringLiteral("PRO"));
        type(w, "CodUfficio", code);
        const QString found = child<QLabel>(w, "DescUfficio")->text();
        boxes.answers = {Answer::Yes}; // leave the form
        press(main, "ANNULLA");
        return found;
    }
};

TEST_P(EndToEnd, AnOfficeAddedFromTheTreeIsOfferedToRegistrationsUntilItIsClosed)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    auto *tree = qobject_cast<organisation::FrmTreeStruttura *>(menu(main, "mnudatiente"));
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(nimbo::ui::plainCaption(main->findChild<QAction *>(QStringLiteral("mnudatiente"))),
              QStringLiteral("Anagrafe Aree/Dipartimenti/Uffici"));

    // A new office of PRO, from the department's node.
    QWidget *office = fromTree(main, tree, QStringLiteral("001|PRO"), "MnuAggiungiUO");
    ASSERT_NE(office, nullptr);
    EXPECT_EQ(office->objectName(), QStringLiteral("FrmGUffici"));
    edit(office, "TxtCodice", QStringLiteral("sta"));
    edit(office, "TxtDescrizione", QStringLiteral("Ufficio statistica"));
    edit(office, "TxtDomicilio", QStringLiteral("Via dell'Ospedale"));
    edit(office, "TxtCCom", QStringLiteral("076063"));
    QTest::keyClick(child<QLineEdit>(office, "TxtCCom"), Qt::Key_Return);
    boxes.clear();
    press(main, "REGISTRA");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Registrazione effettuata con successo.")});
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Descrizione || '|' || Tab_Chiuso FROM Tab_Uffici WHERE Tab_Ente = '001' "
                                    "AND Tab_Dipartimento = 'PRO' AND Tab_Ufficio = 'STA'")),
              QStringLiteral("UFFICIO STATISTICA|NO"));
    EXPECT_TRUE(tree->model()->indexOfKey(QStringLiteral("001|PRO|STA")).isValid());

    // The registration window's office lookup offers it.
    auto *registration = qobject_cast<FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(registration, nullptr);
    boxes.clear();
    EXPECT_EQ(officeFound(main, registration, QStringLiteral("sta")), QStringLiteral("UFFICIO STATISTICA"));

    // Closed from its node...
    QWidget *detail = fromTree(main, tree, QStringLiteral("001|PRO|STA"), "MnuDettaglioUO");
    ASSERT_EQ(detail, office); // the same editor, now on the record
    EXPECT_EQ(qobject_cast<ui::RecordEditor *>(detail)->editMode(), ui::RecordEditor::Mode::Edit);
    child<ui::DateField>(detail, "TxtDataFine")->setDate(QDate::currentDate());
    pick(detail, "CboChiuso", QStringLiteral("SI"));
    boxes.clear();
    press(main, "REGISTRA");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Registrazione effettuata con successo.")});
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Chiuso FROM Tab_Uffici WHERE Tab_Ufficio = 'STA'")), QStringLiteral("SI"));
    // ...with its history kept by the database...
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Uffici_Storico WHERE Tab_Ufficio = 'STA' AND "
                                    "Tab_TipoOperazione IN ('A', 'D')")),
              QStringLiteral("2"));
    // ...and gone from the lookup of a new registration.
    EXPECT_EQ(officeFound(main, registration, QStringLiteral("sta")), QString());
}

TEST_P(EndToEnd, AnOperatorCreatedInTheWindowBecomesAMemberAndRegistersForHisOffice)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    QWidget *operators = menu(main, "MnuServOper");
    ASSERT_NE(operators, nullptr);
    press(main, "NUOVO");
    edit(operators, "Campo0", QStringLiteral("rossi"));
    edit(operators, "Campo1", QStringLiteral("Rossi"));
    edit(operators, "Campo2", QStringLiteral("Paolo"));
    edit(operators, "Campo3", QStringLiteral("Primavera26"));
    edit(operators, "Campo4", QStringLiteral("Primavera26"));
    pick(operators, "ComboLivello", QStringLiteral("7"));
    pick(operators, "ComboAbilitazione", QStringLiteral("0"));
    edit(operators, "Campo8", QStringLiteral("001"));
    edit(operators, "Campo9", QStringLiteral("PRO"));
    edit(operators, "Campo10", QStringLiteral("UPR"));
    edit(operators, "CF", QStringLiteral("RSSPLA80A01H501U"));
    boxes.clear();
    press(main, "REGISTRA");
    ASSERT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();

    // A member of UPR, from the office's node of the tree.
    auto *tree = qobject_cast<organisation::FrmTreeStruttura *>(menu(main, "mnudatiente"));
    ASSERT_NE(tree, nullptr);
    QWidget *member = fromTree(main, tree, QStringLiteral("001|PRO|UPR"), "MnuAggiungiComponente");
    ASSERT_NE(member, nullptr);
    EXPECT_EQ(member->objectName(), QStringLiteral("FrmGComponenti"));
    edit(member, "txtNome", QStringLiteral("ROSSI PAOLO"));
    edit(member, "TxtUser", QStringLiteral("ROSSI"));
    pick(member, "CboAssegnazione", QStringLiteral("SI"));
    press(main, "REGISTRA");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Registrazione effettuata con successo.")});
    const QString progressive = scalar(QStringLiteral(
        "SELECT Tab_Progressivo FROM Tab_UfficiComponenti WHERE Tab_Ente = '001' AND Tab_Ufficio = 'UPR' AND Tab_IdUser = 'ROSSI'"));
    EXPECT_EQ(progressive, QStringLiteral("4")); // after the demo's three members of UPR
    EXPECT_TRUE(tree->model()->indexOfKey(QStringLiteral("001|PRO|UPR|") + progressive).isValid());

    // ROSSI logs in with his password and registers for UPR.
    StartUp::shutdown();
    C_GestDB::closeLocalDatabase();
    main = logIn(QStringLiteral("ROSSI"), QStringLiteral("Primavera26"));
    ASSERT_NE(main, nullptr);
    auto *w = qobject_cast<FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(w, nullptr);
    press(main, "NUOVO");
    child<QRadioButton>(w, "OptTipoProtocollo_0")->click();
    type(w, "CodiceMitDest", QStringLiteral("2"));
    type(w, "CodTipoDoc", QStringLiteral("LET"));
    child<QLineEdit>(w, "Oggetto")->setText(QStringLiteral("Domanda di ferie"));
    type(w, "CodSedeRic", QStringLiteral("PRO"));
    type(w, "CodUfficio", QStringLiteral("UPR"));
    press(main, "REGISTRA");
    ASSERT_FALSE(child<QLineEdit>(w, "txtNumeroProtocollo")->text().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_CodiceOpeReg || '/' || Tab_SedeRicezione || '/' || Tab_UfficioRegistrazione "
                                    "FROM Tab_Protocollo WHERE Tab_Oggetto = 'Domanda di ferie'")),
              QStringLiteral("ROSSI/PRO/UPR"));
}

NIMBO_INSTANTIATE_ENGINES(EndToEnd);

} // namespace
