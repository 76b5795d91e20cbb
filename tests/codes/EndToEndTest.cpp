// Through the menus as the demo operator: a document type added in
// "Codici Applicazione" is used by a registration, after which it cannot be
// deleted; "Oggetti Ricorrenti" opens from its menu item.

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QTableView>
#include <QToolBar>
#include <QTreeView>

#include "ui/Keyboard.h"
#include "../ui/UiFixture.h"
#include "codes/Codes.h"
#include "codes/FrmCodici.h"
#include "codes/FrmOggettiR.h"
#include "startup/MDIMenu.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

using namespace nimbo;
using protocol::FrmProtocollo;

namespace {

class CodesEndToEnd : public test::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        protocol::registerProtocolWindows();
        codes::registerCodeWindows();
    }
};

TEST_P(CodesEndToEnd, ADocumentTypeAddedInTheCodeTablesIsUsedByARegistration)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);

    auto *codici = qobject_cast<codes::FrmCodici *>(menu(main, "mnucodici"));
    ASSERT_NE(codici, nullptr);
    EXPECT_EQ(nimbo::ui::plainCaption(main->findChild<QAction *>(QStringLiteral("mnucodici"))), QStringLiteral("Codici Applicazione"));
    // The operator clicks "Tipi documento".
    const QModelIndex node = codici->tree()->model()->index(0, 0);
    ASSERT_EQ(node.data().toString(), QStringLiteral("Tipi documento"));
    emit codici->tree()->clicked(node);
    ASSERT_NE(codici->table(), nullptr);
    child(codici, "CmdInsCodici")->click();
    edit(codici, "Text1", QStringLiteral("ver"));
    edit(codici, "Text2", QStringLiteral("verbale di sopralluogo"));
    boxes.clear();
    child(codici, "CmdRegistra")->click();
    ASSERT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();

    auto *w = qobject_cast<FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(w, nullptr);
    press(main, "NUOVO");
    child<QRadioButton>(w, "OptTipoProtocollo_0")->click();
    type(w, "CodiceMitDest", QStringLiteral("2"));
    type(w, "CodTipoDoc", QStringLiteral("VER"));
    EXPECT_EQ(child<QLabel>(w, "DescTipoDoc")->text(), QStringLiteral("VERBALE DI SOPRALLUOGO"));
    child<QLineEdit>(w, "Oggetto")->setText(QStringLiteral("Sopralluogo al presidio di Melfi"));
    if (!child<QLineEdit>(w, "CodSedeRic")->isReadOnly()) {
        type(w, "CodSedeRic", QStringLiteral("PRO"));
        type(w, "CodUfficio", QStringLiteral("UPR"));
    }
    press(main, "REGISTRA");
    const QString number = child<QLineEdit>(w, "txtNumeroProtocollo")->text();
    ASSERT_FALSE(number.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Tipologia FROM Tab_Protocollo WHERE Tab_Oggetto = "
                                    "'Sopralluogo al presidio di Melfi'")),
              QStringLiteral("VER"));

    // Back in the code tables the new type is in use.
    activate(main, codici);
    const int row = codici->grid()->model()->find(0, QStringLiteral("VER"));
    ASSERT_GE(row, 0);
    emit codici->grid()->view()->clicked(codici->grid()->proxy()->mapFromSource(codici->grid()->model()->index(row, 0)));
    boxes.clear();
    child(codici, "CmdCancella")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Non è possibile cancellare il tipo documento poiché in uso")});

    auto *subjects = qobject_cast<codes::FrmOggettiR *>(menu(main, "MnuOggetti"));
    ASSERT_NE(subjects, nullptr);
    EXPECT_EQ(nimbo::ui::plainCaption(main->findChild<QAction *>(QStringLiteral("MnuOggetti"))), QStringLiteral("Oggetti Ricorrenti"));
    EXPECT_EQ(subjects->toolbarKeys(), QStringLiteral("ESCI;NUOVO"));
}

NIMBO_INSTANTIATE_ENGINES(CodesEndToEnd);

} // namespace
