// The emergency registers and their sessions, reached from the main menu of
// the demo register on both engines: the checks in their order, the writes
// through the protocol server, the deletions that must be refused.

#include "EmergencyFixture.h"
#include "emergency/FrmAnaRegistriEme.h"
#include "emergency/FrmSessioniEme.h"
#include "servers/ProtocolServer.h"

using namespace nimbo;
using test::EmergencyTest;
using test::shownToolbar;

namespace {

class RegistersWindow : public EmergencyTest {};

TEST_P(RegistersWindow, ChecksARegisterInOrderAndWritesItThroughTheServer)
{
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    QWidget *w = menu(main, "mnuregemerg");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objectName(), QStringLiteral("frmAnaRegistriEme"));
    EXPECT_EQ(keysOf(w), QStringLiteral("ESCI;NUOVO;AVVIA RICERCA"));
    press(main, "NUOVO");
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Gestione Registri Emergenza"));
    test::expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/frmAnaRegistriEme.png"));
    edit(w, "TxtAReg", QStringLiteral("2026"));
    edit(w, "TxtTreg", QStringLiteral("T"));
    edit(w, "TxtIdReg", QStringLiteral("ps1"));
    EXPECT_EQ(text(w, "TxtIdReg"), QStringLiteral("PS1")); // typed in upper case
    edit(w, "NoteA", QStringLiteral("Registro dell'ufficio protocollo"));
    setField(w, "DataA", QStringLiteral("02/01/2026"));
    edit(w, "OraA", QStringLiteral("08:30"));

    press(main, "REGISTRA");
    EXPECT_EQ(lastBox(), QStringLiteral("Il codice identificativo del registro deve essere di 4 caratteri"));
    edit(w, "TxtIdReg", QStringLiteral("pst9"));
    press(main, "REGISTRA");
    EXPECT_EQ(lastBox(), QStringLiteral("Il Codice Postazione specificato non è tra quelli abilitati all'utilizzo della procedura"));
    edit(w, "TxtIdReg", QStringLiteral("PST1"));
    press(main, "REGISTRA");
    EXPECT_EQ(lastBox(), QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE!"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_NoteRegistro || '|' || Tab_Codoper FROM Tab_AnaRegistriEme WHERE "
                                    "Tab_Ente = '001' AND Tab_IDRegistro = 'PST1' AND Tab_TipoRegistro = 'T'")),
              QStringLiteral("Registro dell'ufficio protocollo|DEMO9"));
    // The register stays on screen for changes, and the list shows it.
    EXPECT_EQ(keysOf(w), QStringLiteral("ESCI;NUOVO;REGISTRA"));
    EXPECT_EQ(text(w, "TxtNreg"), QStringLiteral("1"));
    EXPECT_EQ(qobject_cast<emergency::FrmAnaRegistriEme *>(w)->list()->text(0, 0), QStringLiteral("2026/T/PST1"));

    // The same workstation and year again.
    press(main, "NUOVO");
    edit(w, "TxtAReg", QStringLiteral("2026"));
    edit(w, "TxtTreg", QStringLiteral("T"));
    edit(w, "TxtIdReg", QStringLiteral("PST1"));
    edit(w, "NoteA", QStringLiteral("Doppio"));
    setField(w, "DataA", QStringLiteral("02/01/2026"));
    edit(w, "OraA", QStringLiteral("08:30"));
    press(main, "REGISTRA");
    EXPECT_EQ(lastBox(), QStringLiteral("Attenzione! Esiste già un registro per la postazione e l'anno specificati."));
    // A paper register of the same identifier is not checked against it.
    edit(w, "TxtTreg", QStringLiteral("C"));
    edit(w, "TxtNreg", QStringLiteral("2"));
    press(main, "REGISTRA");
    EXPECT_EQ(lastBox(), QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE!"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_AnaRegistriEme")), QStringLiteral("2"));

    // A register with a session cannot go, even with nothing recovered.
    sql(QStringLiteral("INSERT INTO Tab_SessioniEmergenza (ses_Ente, ses_AnnoRegistro, ses_TipoRegistro, ses_IDRegistro, "
                       "ses_NumeroRegistro, ses_progr, Tab_DataApertura, Tab_OraApertura, Tab_Motivo) VALUES "
                       "('001', '2026', 'T', 'PST1', 1, 1, '2026-03-14', '08:00', '01')"));
    auto *editor = qobject_cast<emergency::FrmAnaRegistriEme *>(w);
    chooseRow(editor->list(), 0, QStringLiteral("2026/T/PST1"));
    EXPECT_EQ(keysOf(w), QStringLiteral("ESCI;REGISTRA;CANCELLA;NUOVO;AVVIA RICERCA"));
    press(main, "CANCELLA");
    EXPECT_EQ(lastBox(), QStringLiteral("Cancellazione non possibile. Esistono informazioni correlate al registro in esame."));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_AnaRegistriEme")), QStringLiteral("2"));
    // The paper register has none: it goes after the confirmation.
    chooseRow(editor->list(), 0, QStringLiteral("2026/C/PST1"));
    press(main, "CANCELLA");
    EXPECT_TRUE(boxes.texts().contains(QStringLiteral("CONFERMI LA CANCELLAZIONE DEL CODICE CORRENTE ?")));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_AnaRegistriEme")), QStringLiteral("1"));
}

TEST_P(RegistersWindow, OpensNumbersAndClosesSessionsAndRefusesDeletingOnesInUse)
{
    seedRegister(QStringLiteral("2026"));
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    auto *w = qobject_cast<emergency::FrmSessioniEme *>(menu(main, "MnuSessioni"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(keysOf(w), QStringLiteral("ESCI;APERTURA"));
    ASSERT_EQ(w->registers()->count(), 1);
    chooseRow(w->registers(), 0, QStringLiteral("2026/T/ABCD"));
    EXPECT_EQ(text(w, "IDReg"), QStringLiteral("ABCD"));

    press(main, "APERTURA");
    EXPECT_EQ(keysOf(w), QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    test::expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/frmSessioniEme.png"));
    EXPECT_EQ(text(w, "DataApertura"), QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
    // Every error together, under the heading.
    setField(w, "DataApertura", QString());
    setField(w, "DataChiusura", QStringLiteral("xx"));
    edit(w, "Allineato", QStringLiteral("FO"));
    boxes.clear();
    press(main, "REGISTRA");
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.first().text,
              QStringLiteral("ATTENZIONE! Sono stati riscontrati i seguenti errori:\nData Apertura Obbligatoria !\n"
                             "Motivo Apertura non inserito o non presente in archivio!\nData di chiusura non corretta!\n"
                             "Specificare 'SI' o 'NO' nel campo ALLINEATO !"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_SessioniEmergenza")), QStringLiteral("0"));

    setField(w, "DataApertura", QStringLiteral("14/03/2026"));
    setField(w, "DataChiusura", QString());
    setField(w, "Allineato", QString());
    edit(w, "MotivoA", QStringLiteral("01"));
    press(main, "REGISTRA");
    EXPECT_EQ(text(w, "NumeroS"), QStringLiteral("1"));
    EXPECT_EQ(text(w, "Allineato"), QStringLiteral("NO"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Allineamento FROM Tab_SessioniEmergenza WHERE ses_progr = 1")),
              QStringLiteral("NO"));
    EXPECT_EQ(keysOf(w), QStringLiteral("ESCI;REGISTRA;ANNULLA;CHIUSURA;CANCELLA"));

    press(main, "ANNULLA");
    press(main, "APERTURA");
    edit(w, "MotivoA", QStringLiteral("01"));
    press(main, "REGISTRA");
    EXPECT_EQ(text(w, "NumeroS"), QStringLiteral("2"));
    // Closing and saving a loaded session keeps its number.
    press(main, "CHIUSURA");
    EXPECT_EQ(text(w, "DataChiusura"), QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
    press(main, "REGISTRA");
    EXPECT_EQ(text(w, "NumeroS"), QStringLiteral("2"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_SessioniEmergenza")), QStringLiteral("2"));
    EXPECT_FALSE(scalar(QStringLiteral("SELECT Tab_OraChiusura FROM Tab_SessioniEmergenza WHERE ses_progr = 2")).isEmpty());
    EXPECT_EQ(w->sessions()->count(), 2);

    // The first and last numbers of the session read as emergency numbers.
    sql(QStringLiteral("UPDATE Tab_SessioniEmergenza SET Tab_iniziale = '20260000001', Tab_finale = '20260000003' "
                       "WHERE ses_progr = 2"));
    chooseRow(w->sessions(), 0, QStringLiteral("2"));
    EXPECT_EQ(text(w, "ProtoI"), QStringLiteral("Emergenza 2026/T/ABCD/002 N. 0000001"));
    EXPECT_EQ(text(w, "ProtoF"), QStringLiteral("Emergenza 2026/T/ABCD/002 N. 0000003"));
    // Its registrations are on the register's workstation, not on this one:
    // the central register cannot say they were all recovered.
    const QString cannotTell = QStringLiteral(
        "Cancellazione non possibile. Il registro centrale non può escludere che la postazione del registro ABCD "
        "conservi protocolli di emergenza di questa sessione non ancora recuperati. Si può cancellare solo una "
        "sessione senza protocolli, indicata come ALLINEATO 'SI'.");
    press(main, "CANCELLA");
    EXPECT_EQ(lastBox(), cannotTell);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_SessioniEmergenza")), QStringLiteral("2"));

    // A registration of session 2 still only on this workstation.
    seedRegistration(QStringLiteral("E"), QStringLiteral("20260000001"), QStringLiteral("2026-03-14"),
                     QStringLiteral("2026TABCD002"), QStringLiteral("Guasto"));
    press(main, "CANCELLA");
    EXPECT_EQ(lastBox(), QStringLiteral("Cancellazione non possibile. La sessione ha protocolli di emergenza non ancora "
                                        "recuperati nel registro generale."));
    // Recovered: the general register refers to the session now.
    local(QStringLiteral("UPDATE Tab_ProtocolloEmergenza SET Tab_ProtocolloGenerale = '20260000001'"));
    ColumnValues c{{QStringLiteral("Tab_Ente"), QStringLiteral("001")},
                   {QStringLiteral("Tab_TipoProtocollo"), QStringLiteral("E")},
                   {QStringLiteral("Tab_DataRicezione"), QDate(2026, 3, 14)},
                   {QStringLiteral("Tab_SedeRicezione"), QStringLiteral("PRO")},
                   {QStringLiteral("Tab_UfficioRegistrazione"), QStringLiteral("UPR")},
                   {QStringLiteral("Tab_Tipologia"), QStringLiteral("LET")},
                   {QStringLiteral("Tab_Intestatario"), 1},
                   {QStringLiteral("Tab_Oggetto"), QStringLiteral("Guasto")},
                   {QStringLiteral("Tab_RegistroTemporaneo"), QStringLiteral("2026TABCD002")},
                   {QStringLiteral("Tab_ProtocolloTemporaneo"), QStringLiteral("0000001|14/03/2026")}};
    ProtocolServer server;
    QVariantList request = registrationRequest(QStringLiteral("A"), protocolCondition(QStringLiteral("001"), QStringLiteral("E"), QString()),
                                               c, QStringLiteral("DEMO9"));
    ASSERT_EQ(server.Elabora(kOpRegistraProtocollo, request).value(0).toInt(), 0);
    press(main, "CANCELLA");
    EXPECT_EQ(lastBox(), QStringLiteral("Cancellazione non possibile. Esistono informazioni correlate alLA sessione in esame."));
    // Session 1 has nothing here; the central register knows it has
    // nothing once it is marked aligned: then it goes.
    chooseRow(w->sessions(), 0, QStringLiteral("1"));
    press(main, "CANCELLA");
    EXPECT_EQ(lastBox(), cannotTell);
    edit(w, "Allineato", QStringLiteral("SI"));
    press(main, "REGISTRA");
    press(main, "CANCELLA");
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_SessioniEmergenza")), QStringLiteral("1"));
}

NIMBO_INSTANTIATE_ENGINES(RegistersWindow);

} // namespace
