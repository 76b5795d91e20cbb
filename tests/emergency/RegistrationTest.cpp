// Registration in emergency with the central database really out of reach
// (its SQLite file moved away, or a PostgreSQL address where nothing
// listens): the login's emergency entry, numbering within the register's
// year across both directions, the checks together, a rewrite that keeps
// the number, the stamp, and nothing written centrally.

#include "EmergencyFixture.h"
#include "emergency/FrmProtocolloEme.h"

#include <QRadioButton>

using namespace nimbo;
using test::EmergencyTest;
using test::shownToolbar;

namespace {

class EmergencyRegistration : public EmergencyTest {
protected:
    // A complete registration typed in a new form.
    void typeRegistration(MDIMenu *main, QWidget *w, bool outgoing, const QString &who, const QString &subject)
    {
        press(main, "NUOVO");
        if (outgoing)
            child<QRadioButton>(w, "OptUscita")->click();
        edit(w, "CodiceMitDest", who);
        edit(w, "CodTipoDoc", QStringLiteral("LET"));
        edit(w, "Oggetto", subject);
        edit(w, "DestMultipli", QStringLiteral("Ufficio protocollo"));
    }
};

TEST_P(EmergencyRegistration, RegistersLocallyWithTheCentralDatabaseOutOfReach)
{
    const QString year = QString::number(QDate::currentDate().year());
    MDIMenu *main = enterInEmergency(year, QStringLiteral("ABCD"), QStringLiteral("1"));
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(DicAmbiente::session().op.ente, QStringLiteral("999"));
    // Only what works on the workstation alone is offered.
    for (const char *item : {"mnurubrica", "mnuProtDoc", "mnucancprot", "NmuModifica", "MnuRecuperaProto",
                             "mnuricercaprot", "mnuSTAB", "mnustAL", "mnuRG", "MnuConsulta", "MnuRiepiloghiIter",
                             "MnuStorico", "mnustampe", "MnuServizi"}) {
        auto *a = main->findChild<QAction *>(QLatin1String(item));
        ASSERT_NE(a, nullptr) << item;
        EXPECT_FALSE(a->isEnabled()) << item;
    }
    for (const char *item : {"mnuProtDocEmerg", "mnuriepemerg", "mnusovrapponi", "MnuUscita"})
        EXPECT_TRUE(main->findChild<QAction *>(QLatin1String(item))->isEnabled()) << item;
    auto *w = qobject_cast<emergency::FrmProtocolloEme *>(menu(main, "mnuProtDocEmerg"));
    ASSERT_NE(w, nullptr);
    const QString key = year + QStringLiteral("TABCD001");
    EXPECT_EQ(text(w, "txtReg"), year + QStringLiteral("/T/ABCD/001"));
    EXPECT_EQ(text(w, "LblSessione"), QStringLiteral("--  SESSIONE DI EMERGENZA:  ") + year + QStringLiteral("/T/ABCD/001  --"));
    EXPECT_EQ(keysOf(w), QStringLiteral("ESCI;NUOVO;CERCA"));
    test::expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/frmProtocolloEme.png"));
    auto *found = w->findChild<QTableView *>(QStringLiteral("LwProtocolli"));
    ASSERT_NE(found, nullptr);
    test::expectHeadingsWhole(found);

    // Every missing field at once, under the heading; nothing written.
    press(main, "NUOVO");
    EXPECT_EQ(keysOf(w), QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    EXPECT_EQ(text(w, "DataProtocollo"), QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
    edit(w, "Text1", QStringLiteral("12/A"));
    boxes.clear();
    press(main, "REGISTRA");
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.first().text,
              QStringLiteral("ATTENZIONE \nIL Mittente/Destinatario deve essere valido e significativo\n"
                             "IL Tipo Documento deve essere valido e significativo\n"
                             "L' Oggetto deve essere valido e significativo\n"
                             "La DATA di Protocollo interno del Documento in arrivo deve essere valida e significativa\n"
                             "Specificare i destinatari del documento"));
    EXPECT_EQ(localScalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ProtocolloEmergenza")), QStringLiteral("0"));
    press(main, "ANNULLA");

    typeRegistration(main, w, false, QStringLiteral("Comune di Potenza"), QStringLiteral("Richiesta di accesso"));
    press(main, "REGISTRA");
    EXPECT_EQ(lastBox(), QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE!"));
    // The number reads as an emergency one, never as a general "2026-0000001".
    const QString mark = QStringLiteral("Emergenza ") + year + QStringLiteral("/T/ABCD/001 N. ");
    EXPECT_EQ(text(w, "txtNumeroProtocollo"), mark + QStringLiteral("0000001"));
    EXPECT_EQ(keysOf(w), QStringLiteral("ESCI;REGISTRA;ANNULLA;NUOVO"));
    // The stamp names the session and the number.
    EXPECT_EQ(w->stamp(), QStringLiteral("PROT. Emergenza N. ") + key + QLatin1Char('/') + year
                              + QStringLiteral("0000001 DEL ") + QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));

    // Outgoing documents share the sequence.
    typeRegistration(main, w, true, QStringLiteral("Regione Basilicata"), QStringLiteral("Risposta"));
    EXPECT_EQ(text(w, "LblMittente"), QStringLiteral("Destinatario"));
    press(main, "REGISTRA");
    EXPECT_EQ(text(w, "txtNumeroProtocollo"), mark + QStringLiteral("0000002"));
    typeRegistration(main, w, false, QStringLiteral("ASL di Matera"), QStringLiteral("Fattura"));
    press(main, "REGISTRA");
    EXPECT_EQ(text(w, "txtNumeroProtocollo"), mark + QStringLiteral("0000003"));

    // A rewrite keeps the number.
    edit(w, "Oggetto", QStringLiteral("Fattura n. 12"));
    press(main, "REGISTRA");
    EXPECT_EQ(text(w, "txtNumeroProtocollo"), mark + QStringLiteral("0000003"));
    EXPECT_EQ(localScalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ProtocolloEmergenza")), QStringLiteral("3"));
    EXPECT_EQ(localScalar(QStringLiteral("SELECT Tab_Oggetto || '|' || Tab_TipoProtocollo || '|' || Tab_ChiaveRegistrazione "
                                         "|| '|' || Tab_CodiceOpeReg || '|' || Tab_SedeRicezione || '|' || "
                                         "Tab_UfficioRegistrazione || '|' || COALESCE(Tab_ProtocolloGenerale, '') FROM "
                                         "Tab_ProtocolloEmergenza WHERE Tab_NumeroProtocollo = '")
                          + year + QStringLiteral("0000003'")),
              QStringLiteral("Fattura n. 12|E|") + key + QStringLiteral("|EMERG|SED|EME|"));
    EXPECT_EQ(localScalar(QStringLiteral("SELECT Tab_TipoProtocollo FROM Tab_ProtocolloEmergenza WHERE Tab_NumeroProtocollo = '")
                          + year + QStringLiteral("0000002'")),
              QStringLiteral("U"));

    // Once recovered into the general register the registration belongs to
    // that protocol: a later change here is refused and writes nothing.
    local(QStringLiteral("UPDATE Tab_ProtocolloEmergenza SET Tab_ProtocolloGenerale = '20260000004' WHERE "
                         "Tab_NumeroProtocollo = '")
          + year + QStringLiteral("0000003'"));
    edit(w, "Oggetto", QStringLiteral("Fattura n. 13"));
    press(main, "REGISTRA");
    EXPECT_EQ(lastBox(), QStringLiteral("La registrazione ") + mark
                             + QStringLiteral("0000003 è già stata recuperata nel protocollo generale N. 2026-0000004: "
                                              "non può più essere modificata in emergenza."));
    EXPECT_EQ(localScalar(QStringLiteral("SELECT Tab_Oggetto FROM Tab_ProtocolloEmergenza WHERE Tab_NumeroProtocollo = '")
                          + year + QStringLiteral("0000003'")),
              QStringLiteral("Fattura n. 12"));

    // The search lists what this operator registered, newest first.
    press(main, "ANNULLA");
    press(main, "CERCA");
    EXPECT_EQ(w->list()->count(), 3);
    EXPECT_EQ(w->list()->text(1, 1), mark + QStringLiteral("0000002"));
    chooseRow(w->list(), 4, year + QStringLiteral("0000002"));
    EXPECT_EQ(text(w, "Oggetto"), QStringLiteral("Risposta"));
    EXPECT_TRUE(child<QRadioButton>(w, "OptUscita")->isChecked());
    EXPECT_EQ(text(w, "StatoProto"), QStringLiteral("A T T I V O"));
    // A registration on screen can be scanned, on the workstation's store.
    EXPECT_TRUE(child<QPushButton>(w, "CmdScanner")->isEnabled());

    // Nothing was made where the central register was.
    EXPECT_TRUE(nothingAtCentralPlace());
    centralBack();
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")), QStringLiteral("0"));
}

TEST_P(EmergencyRegistration, NumbersWithinTheRegistersYearWhenTheDateIsOfAnother)
{
    // A register of last year still in use today: its numbers go on from
    // its own highest, never from the year of the protocol date.
    const QString last = QString::number(QDate::currentDate().year() - 1);
    seedRegistration(QStringLiteral("E"), last + QStringLiteral("0000007"), last + QStringLiteral("-12-30"),
                     last + QStringLiteral("TABCD001"), QStringLiteral("Fine anno"));
    MDIMenu *main = enterInEmergency(last, QStringLiteral("ABCD"), QStringLiteral("2"));
    ASSERT_NE(main, nullptr);
    QWidget *w = menu(main, "mnuProtDocEmerg");
    ASSERT_NE(w, nullptr);
    for (const char *expected : {"0000008", "0000009"}) {
        press(main, "NUOVO");
        edit(w, "CodiceMitDest", QStringLiteral("Comune di Tito"));
        edit(w, "CodTipoDoc", QStringLiteral("LET"));
        edit(w, "Oggetto", QStringLiteral("Nuovo anno"));
        edit(w, "DestMultipli", QStringLiteral("Protocollo"));
        press(main, "REGISTRA");
        EXPECT_EQ(text(w, "txtNumeroProtocollo"), QStringLiteral("Emergenza ") + last + QStringLiteral("/T/ABCD/002 N. ")
                                                      + QLatin1String(expected));
    }
    EXPECT_TRUE(nothingAtCentralPlace());
}

// The worst day of a registry desk: the login says what happened and how
// to go on, not a server's error number and a file path.
TEST_P(EmergencyRegistration, TheLoginSaysTheCentralRegisterIsOutOfReachAndHowToRegisterLocally)
{
    bool passwordOffered = true;
    const int started = startWithCentralDown([&](const QStringList &) {
        PSWMask w;
        type(&w, "txtOperatore", QStringLiteral("DEMO9"));
        passwordOffered = w.findChild<QLineEdit *>(QStringLiteral("txtPassword"))->isEnabled();
        return false;
    });
    EXPECT_EQ(started, 0);
    EXPECT_FALSE(passwordOffered);
    ASSERT_EQ(boxes.texts(), QStringList{Funzioni_Com_1::kCentralUnreachable});
    EXPECT_TRUE(boxes.texts().first().contains(QStringLiteral("\"Emergenza\"")));
    EXPECT_TRUE(nothingAtCentralPlace());
}

NIMBO_INSTANTIATE_ENGINES(EmergencyRegistration);

} // namespace
