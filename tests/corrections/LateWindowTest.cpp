// "Recupera Protocolli" as the clerk reaches it, from the main menu of the
// demo register on both engines: the toolbars and status of the window, its
// checks in their order with their messages, a protocol registered under the
// number and date given with the time "11:00:00", and the protocol server's
// refusal once the operator's right is withheld.

#include <QLabel>
#include <QRadioButton>

#include "../ui/UiFixture.h"
#include "corrections/Corrections.h"
#include "corrections/LateWindow.h"
#include "servers/LateRequests.h"
#include "ui/ProtocolNumber.h"

using namespace nimbo;

// Failures show the texts, not their bytes.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace {

class LateWindow : public test::MainWindowTest {
protected:
    const int year = QDate::currentDate().year() - 1;

    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        corrections::registerLateWindows();
        for (const auto &[n, day] : {std::pair{5, "03-01"}, std::pair{10, "03-05"}, std::pair{15, "03-10"}})
            sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                               "Tab_DataProtocollo, Tab_OraProtocollo, Tab_DataRegistrazione, Tab_StatoProtocollo, "
                               "Tab_Intestatario) VALUES ('001', 'E', '%1', '%2', '09:00:00', '%2', 'A', 2)")
                    .arg(number(n), QString::number(year) + QLatin1Char('-') + QString::fromLatin1(day)));
        sql(QStringLiteral("INSERT INTO TAB_STARTPROTOCOLLO (Tab_CodiceEnte, Tab_AnnoProtocollo, Tab_ProtocolloEntrata, "
                           "tab_protocolloUscita) VALUES ('001', %1, 20, 0)")
                .arg(year));
        ASSERT_TRUE(test::closeProtocolAdmissions(db().central()));
    }
    QString number(int n) const { return QString::number(year) + QString::number(n).rightJustified(7, QLatin1Char('0')); }
    QString shown(const char *monthDay) const { return QString::fromLatin1(monthDay) + QLatin1Char('/') + QString::number(year); }

    // REGISTRA pressed on the toolbar; the box it showed last.
    QString registerShown(MDIMenu *main)
    {
        boxes.clear();
        press(main, "REGISTRA");
        const QStringList t = boxes.texts();
        return t.isEmpty() ? QString() : t.last();
    }
    static void set(QWidget *w, const char *name, const QString &text) { child<QLineEdit>(w, name)->setText(text); }
    // Correspondent, type, subject, department and office of the demo.
    static void fillDocument(QWidget *w, const QString &subject)
    {
        edit(w, "CodiceMitDest", QStringLiteral("2"));
        edit(w, "CodTipoDoc", QStringLiteral("LET"));
        set(w, "Oggetto", subject);
        edit(w, "CodSedeRic", QStringLiteral("PRO"));
        edit(w, "CodUfficio", QStringLiteral("UPR"));
    }
};

TEST_P(LateWindow, FromTheMenuChecksInOrderAndRegistersUnderTheGivenNumberAndDate)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    auto *w = qobject_cast<corrections::FrmRecuperaProto *>(menu(main, "MnuRecuperaProto"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Recupero Protocolli"));
    EXPECT_EQ(test::shownToolbar(main), QStringLiteral("ESCI;NUOVO"));
    press(main, "NUOVO");
    EXPECT_EQ(test::shownToolbar(main), QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    EXPECT_EQ(w->statusText(), QStringLiteral("Registrazione Protocollo da registro manuale"));
    EXPECT_EQ(text(w, "OraProtocollo"), QStringLiteral("11:00:00"));
    // The year's row leaves the window as wide as the registration window.
    QCoreApplication::processEvents();
    EXPECT_TRUE(main->area()->viewport()->rect().contains(w->parentWidget()->geometry()));
    EXPECT_LE(w->minimumSizeHint().width(), w->width());
    if (const QString keep = qEnvironmentVariable("NIMBO_TEST_SHOTS"); !keep.isEmpty())
        main->grab().save(keep + QStringLiteral("/FrmRecuperaProto.png"));

    // The window's own checks come first, in their order.
    set(w, "TxtAnnoProtocollo", QString());
    EXPECT_EQ(registerShown(main), QStringLiteral("Specificare l'anno del Protocollo da recuperare."));
    edit(w, "TxtAnnoProtocollo", QString::number(year));
    EXPECT_EQ(registerShown(main), QStringLiteral("Specificare un numero di protocollo corretto."));
    edit(w, "txtNumeroProtocollo", QStringLiteral("12abc"));
    EXPECT_EQ(text(w, "txtNumeroProtocollo"), QStringLiteral("12")); // digits only
    EXPECT_EQ(registerShown(main), QStringLiteral("Inserire la data di protocollo del documento."));
    set(w, "DataProtocollo", QStringLiteral("05/03/") + QString::number(year + 1));
    EXPECT_EQ(registerShown(main), QStringLiteral("incongruenza tra l'anno del protocollo e l'anno specificato nella "
                                                  "data di protocollazione"));
    set(w, "DataProtocollo", shown("05/03"));
    set(w, "txtNumeroProtocollo", QStringLiteral("10"));
    EXPECT_EQ(registerShown(main), kLateNumberUsed);
    set(w, "txtNumeroProtocollo", QStringLiteral("4"));
    EXPECT_EQ(registerShown(main), kLateOutOfRange);
    set(w, "txtNumeroProtocollo", QStringLiteral("16"));
    EXPECT_EQ(registerShown(main), kLateOutOfRange);
    set(w, "txtNumeroProtocollo", QStringLiteral("12"));
    EXPECT_EQ(registerShown(main), QStringLiteral("Indicare se il protocollo è di Entrata o di Uscita"));
    child<QRadioButton>(w, "OptTipoProtocollo_0")->click();
    set(w, "DataRicezione", QString());
    EXPECT_EQ(registerShown(main), QStringLiteral("Indicare la data di ricezione"));
    // Then the registration window's own, as there.
    set(w, "DataRicezione", shown("06/03"));
    EXPECT_EQ(registerShown(main),
              QStringLiteral("La DATA RICEZIONE deve essere minore o uguale della data di protocollo."));
    set(w, "DataRicezione", shown("04/03"));
    fillDocument(w, QStringLiteral("Lettera arrivata il 4 marzo e mai registrata"));
    EXPECT_EQ(registerShown(main), QStringLiteral("Registrazione effettuata con successo"));
    EXPECT_EQ(text(w, "txtNumeroProtocollo"), shownNumber(number(12)));
    EXPECT_EQ(text(w, "DataProtocollo"), shown("05/03"));
    EXPECT_EQ(text(w, "DataRegistrazione"), QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("NUOVO;ESCI;ANNULLA;REGISTRA"));
    for (int i = 4; i < protocol::FrmProtocollo::kButtons; ++i)
        EXPECT_FALSE(child(w, QStringLiteral("btnTB_%1").arg(i).toLatin1().constData())->isEnabled()) << i;
    EXPECT_TRUE(child(w, "btnTB_0")->isEnabled());
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_OraProtocollo || ' ' || Tab_CodiceOpeReg FROM Tab_Protocollo WHERE "
                                    "Tab_NumeroProtocollo = '%1'")
                         .arg(number(12))),
              QStringLiteral("11:00:00 DEMO9"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Rec_CodOper FROM Tab_ProtocolloRecuperato WHERE Rec_NumeroProtocollo = '%1'")
                         .arg(number(12))),
              QStringLiteral("DEMO9"));

    // The right withheld since the login: the server reads it again and
    // refuses, whatever the menu let through.
    const QString code = scalar(QStringLiteral("SELECT tf_codice FROM Tab_Funzioni WHERE tf_nome = 'MnuRecuperaProto'"));
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_Funzioni = '-%1-' WHERE Op_Codice_Operatore = 'DEMO9'").arg(code));
    press(main, "NUOVO");
    EXPECT_EQ(text(w, "TxtAnnoProtocollo"), QString::number(year + 1)); // this year proposed
    set(w, "TxtAnnoProtocollo", QString::number(year));
    set(w, "txtNumeroProtocollo", QStringLiteral("13"));
    set(w, "DataProtocollo", shown("05/03"));
    set(w, "DataRicezione", shown("05/03"));
    child<QRadioButton>(w, "OptTipoProtocollo_0")->click();
    fillDocument(w, QStringLiteral("Un altro documento di marzo"));
    boxes.clear();
    press(main, "REGISTRA");
    EXPECT_EQ(boxes.texts(), (QStringList{kLateNoRight, QStringLiteral("Registrazione non andata a buon fine.")}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo WHERE Tab_NumeroProtocollo = '%1'").arg(number(13))),
              QStringLiteral("0"));
    press(main, "ANNULLA");
    EXPECT_EQ(test::shownToolbar(main), QStringLiteral("ESCI;NUOVO"));
}

NIMBO_INSTANTIATE_ENGINES(LateWindow);

} // namespace
