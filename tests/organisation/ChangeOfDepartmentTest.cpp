// The change of working department as an operator uses it: from the menu,
// then the registration window registers and searches under the office
// chosen, until the next login.

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QToolBar>
#include <QTreeWidget>

#include "../ui/UiFixture.h"
#include "organisation/FrmCambiaDip.h"
#include "organisation/Organisation.h"
#include "startup/MDIMenu.h"
#include "ui/RowList.h"

using namespace nimbo;
using protocol::FrmProtocollo;

namespace {

class ChangeOfDepartment : public test::UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        protocol::registerProtocolWindows();
        organisation::registerOperatorWindows();
        // Both personal and office operators of UPR may also work for ARC.
        sql(QStringLiteral("INSERT INTO Tab_Operatori_DIP (Op_Codice, Op_Ente, Op_DIP, Op_Uff) VALUES "
                           "('DEMO6', '001', 'PRO', 'ARC')"));
        sql(QStringLiteral("INSERT INTO Tab_Operatori_DIP (Op_Codice, Op_Ente, Op_DIP, Op_Uff) VALUES "
                           "('DEMO7', '001', 'PRO', 'ARC')"));
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
        return qobject_cast<MDIMenu *>(StartUp::mainWindow());
    }
    static QWidget *open(MDIMenu *main, const char *item)
    {
        auto *a = main->findChild<QAction *>(QLatin1String(item));
        if (!a || !a->isEnabled())
            return nullptr;
        a->trigger();
        return main->area()->currentSubWindow() ? main->area()->currentSubWindow()->widget() : nullptr;
    }
    void switchTo(MDIMenu *main, const QString &office)
    {
        auto *w = qobject_cast<organisation::FrmCambiaDip *>(open(main, "MnuCambia"));
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(w->list()->select(4, office));
        boxes.answers = {Answer::Yes};
        child(w, "CmdConferma")->click();
        QCoreApplication::processEvents();
    }
    static void press(MDIMenu *main, const char *key) { test::pressToolbar(main, key); }
};

TEST_P(ChangeOfDepartment, APersonalOperatorRegistersForTheOfficeChosenUntilTheNextLogin)
{
    MDIMenu *main = logIn(QStringLiteral("DEMO6"));
    ASSERT_NE(main, nullptr);
    switchTo(main, QStringLiteral("ARC"));
    EXPECT_EQ(DicAmbiente::session().op.office, QStringLiteral("ARC"));
    EXPECT_TRUE(main->operatorText().contains(QStringLiteral("ARC"))) << main->operatorText().toStdString();

    auto *w = qobject_cast<FrmProtocollo *>(open(main, "mnuProtDoc"));
    ASSERT_NE(w, nullptr);
    press(main, "NUOVO");
    EXPECT_EQ(child<QLineEdit>(w, "CodSedeRic")->text(), QStringLiteral("PRO"));
    EXPECT_EQ(child<QLineEdit>(w, "CodUfficio")->text(), QStringLiteral("ARC"));
    child<QRadioButton>(w, "OptTipoProtocollo_0")->click();
    type(w, "CodiceMitDest", QStringLiteral("2"));
    type(w, "CodTipoDoc", QStringLiteral("LET"));
    child<QLineEdit>(w, "Oggetto")->setText(QStringLiteral("Richiesta di accesso agli atti"));
    press(main, "REGISTRA");
    ASSERT_FALSE(child<QLineEdit>(w, "txtNumeroProtocollo")->text().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_SedeRicezione || '/' || Tab_UfficioRegistrazione FROM Tab_Protocollo "
                                    "WHERE Tab_Oggetto = 'Richiesta di accesso agli atti'")),
              QStringLiteral("PRO/ARC"));

    // A new login starts from his own office again.
    StartUp::shutdown();
    C_GestDB::closeLocalDatabase();
    ASSERT_NE(logIn(QStringLiteral("DEMO6")), nullptr);
    EXPECT_EQ(DicAmbiente::session().op.office, QStringLiteral("UPR"));
}

// A closed office is no place to work for: it is not offered.
TEST_P(ChangeOfDepartment, ClosedOfficesAreNotOffered)
{
    MDIMenu *main = logIn(QStringLiteral("DEMO6"));
    ASSERT_NE(main, nullptr);
    auto *w = qobject_cast<organisation::FrmCambiaDip *>(open(main, "MnuCambia"));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->list()->select(4, QStringLiteral("ARC")));
    press(main, "ESCI");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    sql(QStringLiteral("UPDATE Tab_Uffici SET Tab_Chiuso = 'SI' WHERE Tab_Ente = '001' AND Tab_Ufficio = 'ARC'"));
    w = qobject_cast<organisation::FrmCambiaDip *>(open(main, "MnuCambia"));
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->list()->select(4, QStringLiteral("ARC")));
    EXPECT_TRUE(w->list()->select(4, QStringLiteral("UPR")));
}

TEST_P(ChangeOfDepartment, AnOfficeOperatorSearchesTheOfficeChosen)
{
    const QString year = QString::number(QDate::currentDate().year());
    for (const auto &[n, office] : {std::pair{1, "UPR"}, std::pair{2, "ARC"}})
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_Oggetto, Tab_SedeRicezione, Tab_UfficioRegistrazione, "
                           "Tab_CodiceOpeReg, Tab_SoggPrivacy, Tab_StatoProtocollo, Tab_Intestatario) VALUES "
                           "('001', 'E', '%1', '%2', 'Pratica %3', 'PRO', '%3', 'DEMO9', 'N', 'A', 2)")
                .arg(year + QStringLiteral("%1").arg(n, 7, 10, QLatin1Char('0')), QDate::currentDate().toString(Qt::ISODate),
                     QLatin1String(office)));
    MDIMenu *main = logIn(QStringLiteral("DEMO7"));
    ASSERT_NE(main, nullptr);
    switchTo(main, QStringLiteral("ARC"));
    auto *w = qobject_cast<FrmProtocollo *>(open(main, "mnuProtDoc"));
    ASSERT_NE(w, nullptr);
    press(main, "CERCA");
    child(w, "CmdAvviaRicerca")->click();
    auto *list = child<QTreeWidget>(w, "LwProtocolli");
    QStringList subjects;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        for (int c = 0; c < list->columnCount(); ++c)
            if (list->topLevelItem(i)->text(c).startsWith(QStringLiteral("Pratica")))
                subjects << list->topLevelItem(i)->text(c);
    EXPECT_EQ(subjects, QStringList{QStringLiteral("Pratica ARC")});
}

NIMBO_INSTANTIATE_ENGINES(ChangeOfDepartment);

} // namespace
