// Recovery of emergency registrations into the general register, from the
// main menu of the demo register on both engines: the session closed on
// request, the definitive number and the emergency number on both sides, a
// failure between the central and the local write that a retry mends with
// one protocol only, a refusal shown as the server wrote it, links removed
// both ways, and a whole session recovered twice.

#include <QListWidget>

#include "EmergencyFixture.h"
#include "addressbook/AddressBook.h"
#include "data/ConnectionPool.h"
#include "emergency/FrmRecuperaEmeT.h"
#include "emergency/FrmRicercaEmergenza.h"
#include "emergency/Recovery.h"
#include "ui/WindowRegistry.h"

using namespace nimbo;
using test::EmergencyTest;
using test::shownToolbar;

namespace {

const QString kKey = QStringLiteral("2007TABCD001");

class Recovery : public EmergencyTest {
protected:
    void seed()
    {
        seedRegister(QStringLiteral("2007"));
        seedSession(QStringLiteral("2007"), 1);
        seedRegistration(QStringLiteral("E"), QStringLiteral("20070000015"), QStringLiteral("2007-03-14"), kKey,
                         QStringLiteral("Guasto alla rete"));
        seedRegistration(QStringLiteral("U"), QStringLiteral("20070000016"), QStringLiteral("2007-03-14"), kKey,
                         QStringLiteral("Risposta al comune"));
    }
    emergency::FrmRecuperaEmeT *openSession(MDIMenu *main)
    {
        auto *w = qobject_cast<emergency::FrmRecuperaEmeT *>(menu(main, "mnuassdefprot"));
        if (!w)
            return nullptr;
        edit(w, "TxtAnno", QStringLiteral("2007"));
        edit(w, "TxtCodice", QStringLiteral("ABCD"));
        edit(w, "NSessione", QStringLiteral("1"));
        return w;
    }
    QString general(const QString &emergency)
    {
        return localScalar(QStringLiteral("SELECT COALESCE(Tab_ProtocolloGenerale, '') FROM Tab_ProtocolloEmergenza "
                                          "WHERE Tab_NumeroProtocollo = '")
                           + emergency + QLatin1Char('\''));
    }
    QString recoveredCount()
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo WHERE Tab_RegistroTemporaneo = '") + kKey
                      + QLatin1Char('\''));
    }
};

TEST_P(Recovery, GivesEachRegistrationItsDefinitiveNumberOnceEvenAfterAFailedLocalUpdate)
{
    seed();
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    auto *w = openSession(main);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(keysOf(w), QStringLiteral("ESCI"));
    test::expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/FrmRecuperaEmeT.png"));

    // The session is still open: "No" lists nothing and leaves it open.
    boxes.answers = {Answer::No};
    child(w, "CmdAvviaRicerca")->click();
    EXPECT_EQ(lastBox(), QStringLiteral("La sessione di emergenza non è stata ancora chiusa. Premi 'SI' per chiuderla ora."));
    EXPECT_EQ(w->list()->count(), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_SessioniEmergenza WHERE Tab_DataChiusura IS NULL")),
              QStringLiteral("1"));
    // "Yes" closes it and lists its registrations.
    child(w, "CmdAvviaRicerca")->click();
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_SessioniEmergenza WHERE Tab_DataChiusura IS NULL")),
              QStringLiteral("0"));
    ASSERT_EQ(w->list()->count(), 2);

    // Emergency numbers read as such, never as general ones.
    EXPECT_EQ(w->list()->text(0, 0), QStringLiteral("Emergenza 2007/T/ABCD/001 N. 0000015"));
    chooseRow(w->list(), 3, QStringLiteral("20070000015"));
    EXPECT_EQ(text(w, "txtNumeroEmergenza"), QStringLiteral("Emergenza 2007/T/ABCD/001 N. 0000015"));
    EXPECT_EQ(keysOf(w), QStringLiteral("ESCI;ANNULLA;REGISTRA"));
    EXPECT_EQ(text(w, "Oggetto"), QStringLiteral("Guasto alla rete"));
    EXPECT_EQ(text(w, "CodiceMitDest"), QStringLiteral("Comune di Potenza"));
    press(main, "REGISTRA");
    EXPECT_EQ(lastBox(), QStringLiteral("IL Mittente/Destinatario deve essere valido e significativo"));
    edit(w, "txtMDNuovo", QStringLiteral("99999"));
    press(main, "REGISTRA");
    EXPECT_EQ(lastBox(), QStringLiteral("IL Mittente/Destinatario non è presente in archivio"));
    edit(w, "txtMDNuovo", QStringLiteral("1"));

    // The local update fails after the general protocol was written.
    local(QStringLiteral("CREATE TRIGGER guasto BEFORE UPDATE ON Tab_ProtocolloEmergenza BEGIN "
                         "SELECT RAISE(ABORT, 'disco pieno'); END"));
    press(main, "REGISTRA");
    EXPECT_EQ(recoveredCount(), QStringLiteral("1"));
    EXPECT_EQ(general(QStringLiteral("20070000015")), QString());
    // The clerk still reads the definitive number the register gave.
    const QString given = scalar(QStringLiteral("SELECT Tab_NumeroProtocollo FROM Tab_Protocollo WHERE "
                                                "Tab_RegistroTemporaneo = '") + kKey + QLatin1Char('\''));
    const QString givenShown = given.left(4) + QLatin1Char('-') + given.mid(4);
    EXPECT_EQ(text(w, "ProtoGenerale"), givenShown);
    EXPECT_TRUE(lastBox().startsWith(QStringLiteral("ATTENZIONE! Errore in Aggiornamento Protocollo Emergenza ...")));
    EXPECT_TRUE(lastBox().contains(QStringLiteral("N. ") + givenShown)) << lastBox().toStdString();
    // The retry completes the local record with the same protocol.
    local(QStringLiteral("DROP TRIGGER guasto"));
    press(main, "REGISTRA");
    EXPECT_EQ(lastBox(), QStringLiteral("Aggiornamento Protocollo Temporaneo Terminato"));
    EXPECT_EQ(recoveredCount(), QStringLiteral("1"));
    const QString number = general(QStringLiteral("20070000015"));
    ASSERT_EQ(number, given);
    EXPECT_EQ(text(w, "ProtoGenerale"), givenShown);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_ProtocolloTemporaneo || '#' || Tab_RegistroTemporaneo || '#' || "
                                    "Tab_Intestatario || '#' || Tab_Oggetto FROM Tab_Protocollo WHERE Tab_NumeroProtocollo = '")
                     + number + QLatin1Char('\'')),
              QStringLiteral("0000015|14/03/2007#") + kKey + QStringLiteral("#1#Guasto alla rete"));
    EXPECT_EQ(keysOf(w), QStringLiteral("ESCI;ANNULLA"));
    EXPECT_EQ(w->list()->text(0, 1), givenShown);

    // A refusal of the server is shown as it is.
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_Attivo = 'N' WHERE Op_Codice_Operatore = 'DEMO9'"));
    chooseRow(w->list(), 3, QStringLiteral("20070000016"));
    EXPECT_EQ(text(w, "LblTipo"), QStringLiteral("Uscita"));
    edit(w, "txtMDNuovo", QStringLiteral("2"));
    press(main, "REGISTRA");
    ASSERT_FALSE(boxes.shown.isEmpty());
    EXPECT_EQ(boxes.shown.last().text, QStringLiteral("Operatore non attivo: DEMO9. Registrazione non effettuata."));
    EXPECT_EQ(boxes.shown.last().icon, Icon::None);
    EXPECT_EQ(recoveredCount(), QStringLiteral("1"));
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_Attivo = 'S' WHERE Op_Codice_Operatore = 'DEMO9'"));
    press(main, "REGISTRA");
    const QString second = general(QStringLiteral("20070000016"));
    ASSERT_EQ(second.size(), 11);
    EXPECT_EQ(recoveredCount(), QStringLiteral("2"));

    // Links of the definitive protocol: removing one removes both rows.
    sql(QStringLiteral("INSERT INTO Tab_ProtocolliCollegati (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_TipoProtocolloC, Tab_NumeroProtocolloC) VALUES ('001', 'E', '%1', 'U', '%2'), "
                       "('001', 'U', '%2', 'E', '%1')")
            .arg(number, second));
    chooseRow(w->list(), 3, QStringLiteral("20070000015"));
    child(w, "CmdCollegati")->click();
    ASSERT_EQ(w->links()->count(), 1);
    EXPECT_EQ(w->links()->text(0, 1), second);
    ASSERT_TRUE(w->links()->select(1, second));
    child(w, "CmdCancellaCollegato")->click();
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ProtocolliCollegati")), QStringLiteral("0"));
    EXPECT_EQ(w->links()->count(), 0);

    // The recovered protocol goes on to its assignment.
    ASSERT_TRUE(child(w, "CmdAssegna")->isEnabled());
    child(w, "CmdAssegna")->click();
    ASSERT_NE(active(main), nullptr);
    EXPECT_EQ(active(main)->objectName(), QStringLiteral("FrmAssegna"));
}

TEST_P(Recovery, RecoveringAWholeSessionTwiceChangesNothingTheSecondTime)
{
    seed();
    seedRegistration(QStringLiteral("E"), QStringLiteral("20070000017"), QStringLiteral("2007-03-15"), kKey,
                     QStringLiteral("Terzo"));
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    const QStringList numbers{QStringLiteral("20070000015"), QStringLiteral("20070000016"), QStringLiteral("20070000017")};
    const auto recoverAll = [&] {
        QStringList given;
        for (const QString &n : numbers) {
            emergency::EmergencyRecord r;
            const QString direction = n.endsWith(QLatin1Char('6')) ? QStringLiteral("U") : QStringLiteral("E");
            EXPECT_TRUE(emergency::readEmergencyRecord(direction, n, &r));
            const auto out = emergency::recover(r, emergency::recovererFromSession(), 3, QStringLiteral("LET"));
            EXPECT_TRUE(out.ok()) << out.message.toStdString();
            given << out.number;
        }
        return given;
    };
    const QStringList first = recoverAll();
    const QString protocols = scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo"));
    const QStringList again = recoverAll();
    EXPECT_EQ(again, first);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")), protocols);
    EXPECT_EQ(recoveredCount(), QStringLiteral("3"));
    EXPECT_EQ(general(QStringLiteral("20070000017")), first.last());

    // In the window each shows only its follow-up.
    seedSession(QStringLiteral("2007"), 2, QStringLiteral("2007-03-15"));
    auto *w = openSession(main);
    ASSERT_NE(w, nullptr);
    child(w, "CmdAvviaRicerca")->click();
    chooseRow(w->list(), 3, QStringLiteral("20070000017"));
    EXPECT_EQ(keysOf(w), QStringLiteral("ESCI;ANNULLA"));
    EXPECT_EQ(text(w, "ProtoGenerale"), first.last().left(4) + QLatin1Char('-') + first.last().mid(4));
}

TEST_P(Recovery, SearchesTheEmergencyRegistrationsOfTheWorkstation)
{
    seed();
    local(QStringLiteral("UPDATE Tab_ProtocolloEmergenza SET Tab_ProtocolloGenerale = '20260000004' WHERE "
                         "Tab_NumeroProtocollo = '20070000015'"));
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    auto *w = qobject_cast<emergency::FrmRicercaEmergenza *>(menu(main, "mnuriepemerg"));
    ASSERT_NE(w, nullptr);
    child(w, "CmdAvviaRicerca")->click();
    EXPECT_EQ(lastBox(), QStringLiteral("Inserire la data iniziale"));
    setField(w, "DataDal", QStringLiteral("15/03/2007"));
    setField(w, "DataAl", QStringLiteral("01/03/2007"));
    child(w, "CmdAvviaRicerca")->click();
    EXPECT_EQ(lastBox(), QStringLiteral("La data finale non può essere minore della data iniziale"));
    setField(w, "DataDal", QStringLiteral("01/03/2007"));
    setField(w, "DataAl", QStringLiteral("31/03/2007"));
    edit(w, "TxtOggetto", QStringLiteral("rete"));
    child(w, "CmdAvviaRicerca")->click();
    ASSERT_EQ(w->list()->count(), 1);
    chooseRow(w->list(), 5, QStringLiteral("20070000015"));
    EXPECT_EQ(text(w, "TxtNumeroEmergenza"), QStringLiteral("Emergenza 2007/T/ABCD/001 N. 0000015"));
    EXPECT_EQ(text(w, "TxtNumeroGenerale"), QStringLiteral("2026-0000004"));
    EXPECT_EQ(text(w, "DataProtocollo"), QStringLiteral("14/03/2007"));
    EXPECT_EQ(keysOf(w), QStringLiteral("ESCI"));
}

TEST_P(Recovery, FollowUpButtonsOfferTheWindowsOfOtherPartsOnceThoseAreInstalled)
{
    seed();
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    auto *w = openSession(main);
    ASSERT_NE(w, nullptr);
    child(w, "CmdAvviaRicerca")->click();
    chooseRow(w->list(), 3, QStringLiteral("20070000015"));
    edit(w, "txtMDNuovo", QStringLiteral("1"));
    press(main, "REGISTRA");
    ASSERT_EQ(keysOf(w), QStringLiteral("ESCI;ANNULLA"));
    const QList<std::pair<const char *, QString>> followUps{{"CmdClassifica", QStringLiteral("FrmClassifica")},
                                                            {"CmdDestinatari", QStringLiteral("FrmAltriDest")},
                                                            {"CmdPrecedente", QStringLiteral("FrmProtPreced")},
                                                            {"CmdCollega", QStringLiteral("FrmCollega")}};
    for (const auto &[button, window] : followUps)
        EXPECT_FALSE(child(w, button)->isEnabled()) << button;

    // Those windows come with later parts of the program: registered by
    // their names, the buttons open them on the definitive protocol.
    struct Installed {
        QStringList names;
        ~Installed()
        {
            for (const QString &n : names)
                WindowRegistry::remove(n);
        }
    } installed;
    for (const auto &[button, window] : followUps) {
        const QString name = window;
        installed.names << name;
        WindowRegistry::add(name, [name] {
            auto *stub = new ChildWindow;
            stub->setObjectName(name);
            return stub;
        });
    }
    chooseRow(w->list(), 3, QStringLiteral("20070000015"));
    child(w, "CmdCollegati")->click();
    for (const auto &[button, window] : followUps) {
        ASSERT_TRUE(child(w, button)->isEnabled()) << button;
        child(w, button)->click();
        ASSERT_NE(active(main), nullptr);
        EXPECT_EQ(active(main)->objectName(), window);
        if (window == QLatin1String("FrmCollega")) {
            EXPECT_EQ(active(main)->property("Tag").toString(), QStringLiteral("FRMASSEDEFPROT"));
        }
        activate(main, w);
    }
}

// The correspondent of a recovered letter is chosen by the clerk from the
// address book, never taken silently.
TEST_P(Recovery, ChoosesTheCorrespondentFromTheAddressBook)
{
    seed();
    sql(QStringLiteral("UPDATE Tab_SessioniEmergenza SET Tab_DataChiusura = '2007-03-14', Tab_OraChiusura = '18:00'"));
    addressbook::registerAddressBookWindows();
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    auto *w = openSession(main);
    ASSERT_NE(w, nullptr);
    child(w, "CmdAvviaRicerca")->click();
    chooseRow(w->list(), 3, QStringLiteral("20070000015"));

    // One entry holds "rossi": it is offered, and taken only when chosen.
    edit(w, "txtMDNuovo", QStringLiteral("rossi"));
    child(w, "CmdMitt")->click();
    auto *pick = child<QListWidget>(w, "ListDecod");
    ASSERT_TRUE(pick->isVisible());
    ASSERT_EQ(pick->count(), 1);
    EXPECT_TRUE(pick->item(0)->text().contains(QStringLiteral("ROSSI GIUSEPPE")));
    EXPECT_EQ(text(w, "txtMDNuovo"), QStringLiteral("ROSSI"));
    pick->setCurrentRow(0);
    QTest::keyClick(pick, Qt::Key_Return);
    EXPECT_EQ(text(w, "txtMDNuovo"), QStringLiteral("19"));
    EXPECT_TRUE(text(w, "LblMDNuovo").startsWith(QStringLiteral("ROSSI GIUSEPPE"))) << text(w, "LblMDNuovo").toStdString();
    // Nothing typed: the address book opens for the search.
    setField(w, "txtMDNuovo", QString());
    child(w, "CmdMitt")->click();
    ASSERT_NE(active(main), nullptr);
    EXPECT_EQ(active(main)->objectName(), QStringLiteral("FrmRubrica"));
}

TEST_P(Recovery, TellsACentralRegisterOutOfReachFromASessionThatIsNotThere)
{
    seed();
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    auto *w = openSession(main);
    ASSERT_NE(w, nullptr);
    // A session that is not there is said so.
    edit(w, "NSessione", QStringLiteral("9"));
    child(w, "CmdAvviaRicerca")->click();
    EXPECT_EQ(lastBox(), QStringLiteral("La Sessione di Emergenza indicata non esiste in archivio"));
    // The register out of reach is not a missing session.
    auto &cfg = DicAmbiente::session().cfg;
    if (db().engine() == Dialect::Engine::PostgreSQL)
        cfg.serverDb = QStringLiteral("host=127.0.0.1 port=9 dbname=nimbo user=nimbo connect_timeout=2");
    else
        centralOutOfReach();
    ConnectionPool::closeAll();
    edit(w, "NSessione", QStringLiteral("1"));
    boxes.clear();
    child(w, "CmdAvviaRicerca")->click();
    EXPECT_EQ(boxes.texts(), (QStringList{Funzioni_Com_1::kCentralUnreachable,
                                          QStringLiteral("Impossibile verificare la sessione di emergenza: il registro "
                                                         "centrale dei protocolli non è raggiungibile. Riprovare quando "
                                                         "sarà di nuovo disponibile.")}));
    EXPECT_TRUE(nothingAtCentralPlace());
}

NIMBO_INSTANTIATE_ENGINES(Recovery);

} // namespace
