// A registered protocol loaded from the registration window's search: its
// rewrite on a later day, who may still change it in a body of type 9, and
// the buttons offered for each state.

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "data/C_GestDB.h"
#include "data/Funzioni_Com_1.h"
#include "protocol/FrmProtocollo.h"
#include "protocol/ProtocolRules.h"
#include "servers/ProtocolServer.h"
#include "startup/LoginRules.h"
#include "startup/StartUp.h"
#include "UiFixture.h"

using namespace nimbo;
using namespace nimbo::protocol;
using nimbo::test::UiTest;

namespace {

class Consultation : public nimbo::test::ProtocolWindowTest {
protected:
    void logInAs(const QString &code)
    {
        ProtocolWindowTest::logInAs(code);
        window = std::make_unique<FrmProtocollo>();
    }
    static QString number(int n) { return QString::number(QDate::currentDate().year()) + QStringLiteral("%1").arg(n, 7, 10, QLatin1Char('0')); }
    // A protocol registered days ago (negative) by an operator, as the
    // register holds it.
    void registered(int n, int daysAgo, const QString &by, const QString &state = QStringLiteral("A"))
    {
        const QString day = QDate::currentDate().addDays(-daysAgo).toString(Qt::ISODate);
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_DataRegistrazione, Tab_DataRicezione, Tab_OraProtocollo, Tab_Oggetto, "
                           "Tab_SedeRicezione, Tab_UfficioRegistrazione, Tab_CodiceOpeReg, Tab_SoggPrivacy, "
                           "Tab_StatoProtocollo, Tab_Intestatario, Tab_Tipologia, Tab_Stampato) VALUES ('001', 'E', '%1', "
                           "'%2', '%2', '%2', '08:15:00', 'Pratica %3', 'PRO', 'UPR', '%4', 'N', '%5', 2, 'LET', 'N')")
                .arg(number(n), day)
                .arg(n)
                .arg(by, state));
    }
    // Searches the last week as proposed and loads the protocol n.
    void load(int n)
    {
        window->ELABORATBAR(QStringLiteral("CERCA"));
        child(window.get(), "CmdAvviaRicerca")->click();
        auto *list = child<QTreeWidget>(window.get(), "LwProtocolli");
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->data(0, Qt::UserRole).toString() == number(n)) {
                emit list->itemActivated(list->topLevelItem(i), 0);
                return;
            }
        ADD_FAILURE() << "protocol " << n << " not in the list";
    }
    bool offersRegistra() const { return window->toolbarKeys().split(QLatin1Char(';')).contains(QStringLiteral("REGISTRA")); }
    QString stored(const char *column, int n)
    {
        return scalar(QStringLiteral("SELECT %1 FROM Tab_Protocollo WHERE Tab_NumeroProtocollo = '%2'")
                          .arg(QLatin1String(column), number(n)))
            .trimmed();
    }
    QVector<int> enabled()
    {
        QVector<int> out;
        for (int i = 0; i < FrmProtocollo::kButtons; ++i)
            if (child(window.get(), QStringLiteral("btnTB_%1").arg(i).toLatin1().constData())->isEnabled())
                out << i;
        return out;
    }

};

} // namespace

TEST_P(Consultation, RewriteOnALaterDayKeepsTheRegistrationDateAndTime)
{
    registered(1, 3, QStringLiteral("DEMO9"));
    const QString dateBefore = stored("Tab_DataProtocollo", 1);
    logInAs(QStringLiteral("DEMO9"));
    load(1);
    ASSERT_EQ(window->form().oggetto, QStringLiteral("Pratica 1"));
    ASSERT_TRUE(offersRegistra());
    EXPECT_EQ(window->form().dataProtocollo, QDate::currentDate().addDays(-3).toString(QStringLiteral("dd/MM/yyyy")));

    window->findChild<QLineEdit *>(QStringLiteral("Oggetto"))->setText(QStringLiteral("Pratica 1 integrata"));
    boxes.clear();
    window->ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(window->statusText(), QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE!"));
    EXPECT_EQ(stored("Tab_Oggetto", 1), QStringLiteral("Pratica 1 integrata"));
    EXPECT_EQ(stored("Tab_DataProtocollo", 1), dateBefore);
    EXPECT_TRUE(stored("Tab_DataProtocollo", 1).startsWith(QDate::currentDate().addDays(-3).toString(Qt::ISODate)));
    EXPECT_EQ(stored("Tab_OraProtocollo", 1), QStringLiteral("08:15:00"));
    EXPECT_EQ(stored("Tab_CodiceOpeReg", 1), QStringLiteral("DEMO9"));
    EXPECT_EQ(stored("COUNT(*)", 1), QStringLiteral("1"));
    EXPECT_EQ(window->form().dataProtocollo, QDate::currentDate().addDays(-3).toString(QStringLiteral("dd/MM/yyyy")));
}

TEST_P(Consultation, BodyOfTypeNineLetsAnOperatorChangeOnlyHisLastProtocol)
{
    registered(1, 2, QStringLiteral("DEMO7"));
    registered(2, 1, QStringLiteral("DEMO7"));
    registered(3, 1, QStringLiteral("DEMO9"));

    // Any other type: every protocol the operator sees may be changed.
    logInAs(QStringLiteral("DEMO7"));
    ASSERT_FALSE(DicAmbiente::session().parm.enteTipoUtente);
    load(1);
    EXPECT_TRUE(window->isModifiable());
    EXPECT_TRUE(offersRegistra());

    sql(QStringLiteral("UPDATE Tab_Parm_Gen SET ente_tipo_utente = 9"));
    logInAs(QStringLiteral("DEMO7"));
    ASSERT_TRUE(DicAmbiente::session().parm.enteTipoUtente);
    EXPECT_EQ(window->lastNumber(), number(2));
    load(1);
    EXPECT_FALSE(window->isModifiable());
    EXPECT_FALSE(offersRegistra());
    // Not even through the key itself.
    window->findChild<QLineEdit *>(QStringLiteral("Oggetto"))->setText(QStringLiteral("Cambiato"));
    window->ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(stored("Tab_Oggetto", 1), QStringLiteral("Pratica 1"));
    // Another operator's protocol, though newer, is not his last either.
    load(3);
    EXPECT_FALSE(offersRegistra());

    // His last one stays modifiable after a rewrite.
    load(2);
    ASSERT_TRUE(offersRegistra());
    window->findChild<QLineEdit *>(QStringLiteral("Oggetto"))->setText(QStringLiteral("Pratica 2 corretta"));
    window->ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(stored("Tab_Oggetto", 2), QStringLiteral("Pratica 2 corretta"));
    EXPECT_TRUE(window->isModifiable());
    EXPECT_TRUE(offersRegistra());

    // A level-9 operator works for the whole body: any protocol.
    logInAs(QStringLiteral("DEMO9"));
    load(1);
    EXPECT_TRUE(offersRegistra());
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
}

TEST_P(Consultation, ButtonsFollowTheStateLetter)
{
    EXPECT_EQ(enabledButtons(QStringLiteral("M")), (QVector<int>{0, 1, 2, 5, 6, 8, 10}));
    EXPECT_EQ(enabledButtons(QStringLiteral("C")), (QVector<int>{0, 1, 2, 5}));
    EXPECT_EQ(enabledButtons(QStringLiteral("A")), (QVector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));

    // The register holds only "A" and "C" (it refuses any other state), so
    // the "M" set is reached through the rule alone.
    registered(1, 1, QStringLiteral("DEMO9"));
    registered(3, 1, QStringLiteral("DEMO9"), QStringLiteral("C"));
    logInAs(QStringLiteral("DEMO9"));
    // Of the functions this window carries out (0-3), "C" leaves out the
    // stamp; an active protocol offers all four.
    load(1);
    EXPECT_EQ(enabled(), (QVector<int>{0, 1, 2, 3}));
    load(3);
    EXPECT_EQ(enabled(), (QVector<int>{0, 1, 2}));
    EXPECT_EQ(child<QLabel>(window.get(), "StatoProto")->text(), QStringLiteral("C A N C E L L A T O"));
}

NIMBO_INSTANTIATE_ENGINES(Consultation);
