// The emergency register as a registry desk lives it: the central database
// stops, the program is started through the login's emergency entry of the
// demo workstation PST1 and three documents are registered, each with a page
// scanned from a real SANE device; the database comes back, an ordinary
// login recovers the session, and the registration window's search finds
// the three protocols by their emergency numbers, each with its image.

#include <QCheckBox>
#include <QRadioButton>
#include <QTreeWidget>

#include "EmergencyFixture.h"
#include "documents/FrmSCAN.h"
#include "documents/FrmVisDocu1.h"
#include "emergency/FrmRecuperaEmeT.h"
#include "support/SaneTestDevice.h"

using namespace nimbo;
using test::EmergencyTest;
using test::shownToolbar;

namespace {

class EmergencyEndToEnd : public EmergencyTest {};

TEST_P(EmergencyEndToEnd, RegisterWhileTheCentralDatabaseIsDownThenRecoverAndFind)
{
    test::SaneTestDevice sane;
    const QString year = QString::number(QDate::currentDate().year());
    const QString station = QStringLiteral("PST1"); // the demo's workstation
    seedRegister(year, station);
    seedSession(year, 1, QString(), station);
    const QString today = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));

    // The central database is down: the emergency entry, whatever the
    // workstation's image setting says.
    MDIMenu *main = enterInEmergency(year, station, QStringLiteral("1"), {QStringLiteral("SET SERVERIMG=SERVER")});
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
        EXPECT_EQ(text(w, "txtNumeroProtocollo"), QStringLiteral("Emergenza ") + year + QStringLiteral("/T/") + station
                                                      + QStringLiteral("/001 N. 000000") + QString::number(i + 1));
        // The paper document, scanned and kept on the workstation.
        child(w, "CmdScanner")->click();
        auto *scan = qobject_cast<documents::FrmSCAN *>(active(main));
        ASSERT_NE(scan, nullptr);
        EXPECT_EQ(scanAndStore(scan), QStringList{QStringLiteral("Registrazione effettuata")});
        activate(main, w);
    }
    EXPECT_EQ(localScalar(QStringLiteral("SELECT COUNT(*) || '|' || MIN(ID_ente) || '|' || MIN(Migrato_su_Server) FROM "
                                         "Tab_immagini")),
              QStringLiteral("3|999|N"));
    EXPECT_TRUE(nothingAtCentralPlace());
    StartUp::shutdown();
    C_GestDB::closeLocalDatabase();

    // The database is back: an ordinary login recovers the session.
    centralBack();
    boxes.clear();
    main = logInWithImages();
    ASSERT_NE(main, nullptr);
    auto *r = qobject_cast<emergency::FrmRecuperaEmeT *>(menu(main, "mnuassdefprot"));
    ASSERT_NE(r, nullptr);
    edit(r, "TxtAnno", year);
    edit(r, "TxtCodice", station);
    edit(r, "NSessione", QStringLiteral("1"));
    child(r, "CmdAvviaRicerca")->click(); // "Yes": the session is closed now
    ASSERT_EQ(r->list()->count(), 3);
    for (int i = 1; i <= 3; ++i) {
        chooseRow(r->list(), 3, year + QStringLiteral("000000") + QString::number(i));
        edit(r, "txtMDNuovo", QStringLiteral("1"));
        press(main, "REGISTRA");
        EXPECT_EQ(lastBox(), QStringLiteral("Aggiornamento Protocollo Temporaneo Terminato")) << boxes.texts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(keysOf(r), QStringLiteral("ESCI;ANNULLA"));
    }

    EXPECT_EQ(localScalar(QStringLiteral("SELECT COUNT(*) FROM Tab_immagini WHERE Migrato_su_Server = 'S'")),
              QStringLiteral("3"));

    // The registration window's search finds each by its emergency number,
    // and its image in the general register.
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
        edit(p, "TxtRegEme", station);
        edit(p, "TxtNumEme", QString::number(i + 1));
        child(p, "CmdAvviaRicerca")->click();
        ASSERT_EQ(found->topLevelItemCount(), 1) << subjects[i];
        emit found->itemActivated(found->topLevelItem(0), 0);
        EXPECT_EQ(text(p, "Oggetto"), QString::fromLatin1(subjects[i]));
        EXPECT_EQ(text(p, "TxtNEme"), QStringLiteral("000000") + QString::number(i + 1) + QLatin1Char('|') + today);
        EXPECT_EQ(text(p, "TxtREme"), year + QStringLiteral("T") + station + QStringLiteral("001"));
        child(p, "btnTB_5")->click();
        auto *view = qobject_cast<documents::FrmVisDocu1 *>(active(main));
        ASSERT_NE(view, nullptr) << subjects[i];
        EXPECT_EQ(view->pageCount(), 1);
        child(view, "cmdEsci")->click();
        activate(main, p);
        press(main, "CERCA");
    }
}

NIMBO_INSTANTIATE_ENGINES(EmergencyEndToEnd);

} // namespace
