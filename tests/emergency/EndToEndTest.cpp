// The emergency register as a registry desk lives it: the central database
// stops, the program is started through the login's emergency entry and
// three documents are registered; the database comes back, an ordinary
// login recovers the session, and the registration window's search finds
// the three protocols by their emergency numbers.

#include <QCheckBox>
#include <QRadioButton>
#include <QTreeWidget>

#include "EmergencyFixture.h"
#include "emergency/FrmRecuperaEmeT.h"

using namespace nimbo;
using test::EmergencyTest;
using test::shownToolbar;

namespace {

class EmergencyEndToEnd : public EmergencyTest {};

TEST_P(EmergencyEndToEnd, RegisterWhileTheCentralDatabaseIsDownThenRecoverAndFind)
{
    const QString year = QString::number(QDate::currentDate().year());
    seedRegister(year);
    seedSession(year, 1);
    const QString today = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));

    // The central database is down: the emergency entry.
    MDIMenu *main = enterInEmergency(year, QStringLiteral("ABCD"), QStringLiteral("1"));
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(main->findChild<QAction *>(QStringLiteral("mnuProtDoc"))->isEnabled());
    QWidget *w = menu(main, "mnuProtDocEmerg");
    ASSERT_NE(w, nullptr);
    const char *subjects[] = {"Segnalazione guasto", "Risposta al sindaco", "Fattura fornitore"};
    for (int i = 0; i < 3; ++i) {
        press(main, "NUOVO");
        if (i == 1)
            child<QRadioButton>(w, "OptUscita")->click();
        edit(w, "CodiceMitDest", QStringLiteral("Comune di Potenza"));
        edit(w, "CodTipoDoc", QStringLiteral("LET"));
        edit(w, "Oggetto", QString::fromLatin1(subjects[i]));
        edit(w, "DestMultipli", QStringLiteral("Ufficio protocollo"));
        press(main, "REGISTRA");
        EXPECT_EQ(text(w, "txtNumeroProtocollo"), year + QStringLiteral("000000") + QString::number(i + 1));
    }
    EXPECT_TRUE(nothingAtCentralPlace());
    StartUp::shutdown();
    C_GestDB::closeLocalDatabase();

    // The database is back: an ordinary login recovers the session.
    centralBack();
    boxes.clear();
    main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    auto *r = qobject_cast<emergency::FrmRecuperaEmeT *>(menu(main, "mnuassdefprot"));
    ASSERT_NE(r, nullptr);
    edit(r, "TxtAnno", year);
    edit(r, "TxtCodice", QStringLiteral("ABCD"));
    edit(r, "NSessione", QStringLiteral("1"));
    child(r, "CmdAvviaRicerca")->click(); // "Yes": the session is closed now
    ASSERT_EQ(r->list()->count(), 3);
    for (int i = 1; i <= 3; ++i) {
        chooseRow(r->list(), 0, year + QStringLiteral("000000") + QString::number(i));
        edit(r, "txtMDNuovo", QStringLiteral("1"));
        press(main, "REGISTRA");
        EXPECT_EQ(lastBox(), QStringLiteral("Aggiornamento Protocollo Temporaneo Terminato"));
        EXPECT_EQ(keysOf(r), QStringLiteral("ESCI;ANNULLA"));
    }

    // The registration window's search finds each by its emergency number.
    QWidget *p = menu(main, "mnuProtDoc");
    ASSERT_NE(p, nullptr);
    press(main, "CERCA");
    auto *found = child<QTreeWidget>(p, "LwProtocolli");
    ASSERT_NE(found, nullptr);
    for (int i = 0; i < 3; ++i) {
        child<QCheckBox>(p, "ChkEntrata")->setChecked(true);
        child<QCheckBox>(p, "ChkUscita")->setChecked(true);
        edit(p, "TxtAnnoEme", year);
        edit(p, "TxtTipoEme", QStringLiteral("T"));
        edit(p, "TxtRegEme", QStringLiteral("ABCD"));
        edit(p, "TxtNumEme", QString::number(i + 1));
        child(p, "CmdAvviaRicerca")->click();
        ASSERT_EQ(found->topLevelItemCount(), 1) << subjects[i];
        emit found->itemActivated(found->topLevelItem(0), 0);
        EXPECT_EQ(text(p, "Oggetto"), QString::fromLatin1(subjects[i]));
        EXPECT_EQ(text(p, "TxtNEme"), QStringLiteral("000000") + QString::number(i + 1) + QLatin1Char('|') + today);
        EXPECT_EQ(text(p, "TxtREme"), year + QStringLiteral("TABCD001"));
        press(main, "CERCA");
    }
}

NIMBO_INSTANTIATE_ENGINES(EmergencyEndToEnd);

} // namespace
