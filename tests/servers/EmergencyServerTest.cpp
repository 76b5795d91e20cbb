// Operations 500 and 501 of the protocol server on both engines (registers
// and sessions of the emergency register), and a registration carried over
// from an emergency register that is never registered twice.

#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "servers/EmergencyRequests.h"
#include "servers/ProtocolServer.h"
#include "session/DicAmbiente.h"
#include "support/ProtocolRequests.h"
#include "support/RegisterTest.h"
#include "support/TestDb.h"

namespace {

using namespace nimbo;
using namespace nimbo::emergency;

const QString kEnte = QStringLiteral("ASL1");

class EmergencyServerTest : public nimbo::test::RegisterTest {
protected:
    void SetUp() override
    {
        RegisterTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        exec("INSERT INTO Tab_Postazioni (Ente, ID_Postazione, Descrizione, Utente) VALUES ('ASL1', 'ABCD', 'Sportello', 'OP01')");
        exec("INSERT INTO Tab_Motivo_Regtemp (Tab_Codice, Tab_Descrizione) VALUES ('01', 'GUASTO')");
        server = std::make_unique<ProtocolServer>(db().centralTarget());
    }
    void TearDown() override
    {
        server.reset();
        EngineTest::TearDown();
    }
    void exec(const char *sql)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(QString::fromLatin1(sql))) << q.lastError().text().toStdString();
    }
    QString scalar(const QString &sql)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(sql) && q.next()) << sql.toStdString() << q.lastError().text().toStdString();
        return q.value(0).toString().trimmed();
    }
    QVariantList call(short op, QVariantList request) { return server->Elabora(op, request); }
    static RegisterRecord electronic(const QString &id = QStringLiteral("ABCD"))
    {
        return {{kEnte, QStringLiteral("2007"), QStringLiteral("T"), id, 1}, QStringLiteral("Registro sportello"),
                QDate(2007, 1, 2), QStringLiteral("08:30")};
    }
    static SessionRecord session(qlonglong progr = 0)
    {
        SessionRecord s;
        s.reg = electronic().key;
        s.progr = progr;
        s.opened = QDate(2007, 3, 14);
        s.openedAt = QStringLiteral("09:00");
        s.reason = QStringLiteral("01");
        return s;
    }

    // A registration carrying emergency registration 0000015 of the register.
    static ColumnValues recoveredColumns(const QString &direction, const QString &fromRegister)
    {
        ColumnValues c = test::newProtocolColumns(kEnte, direction, QStringLiteral("Guasto"));
        for (auto &[name, value] : c) {
            if (name == QLatin1String("Tab_RegistroTemporaneo"))
                value = fromRegister;
            if (name == QLatin1String("Tab_ProtocolloTemporaneo"))
                value = QStringLiteral("0000015|14/03/2007");
        }
        return c;
    }

    std::unique_ptr<ProtocolServer> server;
};

TEST_P(EmergencyServerTest, WritesRegistersFromFieldsAndRefusesWhatTheRulesForbid)
{
    QVariantList r = call(kOpRegistroEmergenza, registerRequest(QStringLiteral("A"), electronic(), QStringLiteral("OP01")));
    ASSERT_EQ(r.value(0).toInt(), 0) << r.value(1).toString().toStdString();
    EXPECT_EQ(r.value(2).toString(), QStringLiteral("2007/T/ABCD"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Codoper FROM Tab_AnaRegistriEme WHERE Tab_IDRegistro = 'ABCD'")),
              QStringLiteral("OP01"));

    // A second electronic register for the workstation and year.
    r = call(kOpRegistroEmergenza, registerRequest(QStringLiteral("A"), electronic(), QStringLiteral("OP01")));
    EXPECT_EQ(r.value(0).toString(), kStatusRefused);
    EXPECT_EQ(r.value(1).toString(), QStringLiteral("Attenzione! Esiste già un registro per la postazione e l'anno specificati."));
    // Not a workstation of the body.
    r = call(kOpRegistroEmergenza, registerRequest(QStringLiteral("A"), electronic(QStringLiteral("ZZZZ")), QStringLiteral("OP01")));
    EXPECT_EQ(r.value(0).toString(), kStatusRefused);
    // The key as SQL text, as an older client sent it, is not a key.
    QVariantList sqlKey = registerRequest(QStringLiteral("R"), electronic(), QStringLiteral("OP01"));
    sqlKey[1] = QStringLiteral("Tab_Ente='ASL1' and Tab_AnnoRegistro='2007' and Tab_TipoRegistro='T' and "
                               "Tab_IDRegistro='ABCD' and Tab_NumeroRegistro=1 OR 1=1");
    r = call(kOpRegistroEmergenza, sqlKey);
    EXPECT_EQ(r.value(0).toString(), kStatusRefused);
    // A paper register is not tied to a workstation and may have any number.
    RegisterRecord paper = electronic(QStringLiteral("CART"));
    paper.key.type = QStringLiteral("C");
    paper.key.number = 3;
    r = call(kOpRegistroEmergenza, registerRequest(QStringLiteral("A"), paper, QStringLiteral("OP01")));
    EXPECT_EQ(r.value(0).toInt(), 0) << r.value(1).toString().toStdString();

    // A rewrite changes the data, never the key.
    RegisterRecord changed = electronic();
    changed.notes = QStringLiteral("Registro dell'URP");
    r = call(kOpRegistroEmergenza, registerRequest(QStringLiteral("R"), changed, QStringLiteral("OP02")));
    ASSERT_EQ(r.value(0).toInt(), 0) << r.value(1).toString().toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_NoteRegistro || '|' || Tab_Codoper FROM Tab_AnaRegistriEme WHERE "
                                    "Tab_IDRegistro = 'ABCD'")),
              QStringLiteral("Registro dell'URP|OP02"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_AnaRegistriEme")), QStringLiteral("2"));
}

TEST_P(EmergencyServerTest, NumbersNewSessionsAndNeverRenumbersARewrite)
{
    ASSERT_EQ(call(kOpRegistroEmergenza, registerRequest(QStringLiteral("A"), electronic(), QStringLiteral("OP01"))).value(0).toInt(), 0);
    QVariantList r = call(kOpSessioneEmergenza, sessionRequest(QStringLiteral("A"), session(), QStringLiteral("OP01")));
    ASSERT_EQ(r.value(0).toInt(), 0) << r.value(1).toString().toStdString();
    EXPECT_EQ(r.value(2).toLongLong(), 1);
    r = call(kOpSessioneEmergenza, sessionRequest(QStringLiteral("A"), session(), QStringLiteral("OP01")));
    EXPECT_EQ(r.value(2).toLongLong(), 2);
    // Empty "aligned" is stored as NO.
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Allineamento FROM Tab_SessioniEmergenza WHERE ses_progr = 2")),
              QStringLiteral("NO"));

    SessionRecord closed = session(1);
    closed.closed = QDate(2007, 3, 15);
    closed.closedAt = QStringLiteral("12:00");
    closed.aligned = QStringLiteral("SI");
    r = call(kOpSessioneEmergenza, sessionRequest(QStringLiteral("R"), closed, QStringLiteral("OP02")));
    ASSERT_EQ(r.value(0).toInt(), 0) << r.value(1).toString().toStdString();
    EXPECT_EQ(r.value(2).toLongLong(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_SessioniEmergenza")), QStringLiteral("2"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Allineamento || Tab_OraChiusura || Tab_Codoper FROM "
                                    "Tab_SessioniEmergenza WHERE ses_progr = 1")),
              QStringLiteral("SI12:00OP02"));

    // Refusals write nothing.
    SessionRecord bad = session(1);
    bad.closed = QDate(2007, 3, 13);
    bad.closedAt = QStringLiteral("12:00");
    EXPECT_EQ(call(kOpSessioneEmergenza, sessionRequest(QStringLiteral("R"), bad, QStringLiteral("OP01"))).value(0).toString(),
              kStatusRefused);
    bad = session();
    bad.reason = QStringLiteral("99");
    EXPECT_EQ(call(kOpSessioneEmergenza, sessionRequest(QStringLiteral("A"), bad, QStringLiteral("OP01"))).value(1).toString(),
              QStringLiteral("Motivo Apertura non inserito o non presente in archivio!"));
    bad = session();
    bad.aligned = QStringLiteral("FORSE");
    EXPECT_EQ(call(kOpSessioneEmergenza, sessionRequest(QStringLiteral("A"), bad, QStringLiteral("OP01"))).value(0).toString(),
              kStatusRefused);
    bad = session();
    bad.reg.id = QStringLiteral("NONE");
    EXPECT_EQ(call(kOpSessioneEmergenza, sessionRequest(QStringLiteral("A"), bad, QStringLiteral("OP01"))).value(0).toString(),
              kStatusRefused);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_SessioniEmergenza")), QStringLiteral("2"));
}

TEST_P(EmergencyServerTest, AnEmergencyRegistrationAlreadyInTheRegisterKeepsItsNumber)
{
    const ColumnValues c = recoveredColumns(QStringLiteral("E"), QStringLiteral("2007TABCD001"));
    const QString condition = protocolCondition(kEnte, QStringLiteral("E"), QString());
    QVariantList first = call(kOpRegistraProtocollo, registrationRequest(QStringLiteral("A"), condition, c, QStringLiteral("OP01")));
    ASSERT_EQ(first.value(0).toInt(), 0) << first.value(1).toString().toStdString();
    QVariantList again = call(kOpRegistraProtocollo, registrationRequest(QStringLiteral("A"), condition, c, QStringLiteral("OP01")));
    ASSERT_EQ(again.value(0).toInt(), 0) << again.value(1).toString().toStdString();
    EXPECT_EQ(again.value(2).toString(), first.value(2).toString());
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")), QStringLiteral("1"));
    // An ordinary registration is not mistaken for it.
    const ColumnValues plain = test::newProtocolColumns(kEnte, QStringLiteral("E"), QStringLiteral("Altro"));
    QVariantList other = call(kOpRegistraProtocollo, registrationRequest(QStringLiteral("A"), condition, plain, QStringLiteral("OP01")));
    EXPECT_NE(other.value(2).toString(), first.value(2).toString());
}

TEST_P(EmergencyServerTest, RefusesUnknownReferencesAndMalformedKeysNamingTheFieldAndSignsAsTheSession)
{
    exec("INSERT INTO Tab_Enti (Ente_Codice, Ente_Denominazione) VALUES ('ASL2', 'Altro ente')");
    exec("INSERT INTO Tab_Operatori (Op_Codice_Operatore, Op_Cognome, Op_Ente, Op_Livello, Op_Attivo) VALUES "
         "('OP03', 'Verdi', 'ASL1', '9', 'N'), ('OP09', 'Neri', 'ASL2', '9', 'S')");
    const auto refusal = [&](short op, const QVariantList &request) {
        const QVariantList r = call(op, request);
        EXPECT_EQ(r.value(0).toString(), kStatusRefused) << r.value(1).toString().toStdString();
        return r.value(1).toString();
    };
    RegisterRecord unknownBody = electronic();
    unknownBody.key.ente = QStringLiteral("XXX9");
    EXPECT_EQ(refusal(kOpRegistroEmergenza, registerRequest(QStringLiteral("A"), unknownBody, QStringLiteral("OP01"))),
              QStringLiteral("Ente sconosciuto (Tab_Ente): XXX9"));
    for (const char *op : {"OP03", "OP09"})
        EXPECT_EQ(refusal(kOpRegistroEmergenza, registerRequest(QStringLiteral("A"), electronic(), QLatin1String(op))),
                  QStringLiteral("Operatore (codice operatore) sconosciuto, non attivo o non dell'ente ASL1: ")
                      + QLatin1String(op));
    RegisterRecord emoji = electronic(QStringLiteral("AB\U0001F600"));
    emoji.key.type = QStringLiteral("C");
    EXPECT_TRUE(refusal(kOpRegistroEmergenza, registerRequest(QStringLiteral("A"), emoji, QStringLiteral("OP01")))
                    .contains(QStringLiteral("(Tab_IDRegistro)")));
    RegisterRecord yearZero = electronic();
    yearZero.key.year = QStringLiteral("0000");
    EXPECT_EQ(refusal(kOpRegistroEmergenza, registerRequest(QStringLiteral("A"), yearZero, QStringLiteral("OP01"))),
              QStringLiteral("Anno del registro non valido (Tab_AnnoRegistro): 0000"));

    // The same for a session (of a register that exists).
    ASSERT_EQ(call(kOpRegistroEmergenza, registerRequest(QStringLiteral("A"), electronic(), QStringLiteral("OP01"))).value(0).toInt(), 0);
    SessionRecord s = session();
    s.reg.ente = QStringLiteral("XXX9");
    EXPECT_EQ(refusal(kOpSessioneEmergenza, sessionRequest(QStringLiteral("A"), s, QStringLiteral("OP01"))),
              QStringLiteral("Ente sconosciuto (ses_Ente): XXX9"));
    EXPECT_TRUE(refusal(kOpSessioneEmergenza, sessionRequest(QStringLiteral("A"), session(), QStringLiteral("OP03")))
                    .startsWith(QStringLiteral("Operatore (codice operatore)")));
    s = session();
    s.reg.year = QStringLiteral("0000");
    EXPECT_EQ(refusal(kOpSessioneEmergenza, sessionRequest(QStringLiteral("A"), s, QStringLiteral("OP01"))),
              QStringLiteral("Anno del registro non valido (ses_AnnoRegistro): 0000"));
    s = session();
    s.reg.id = QStringLiteral("A\U0001F600B");
    EXPECT_TRUE(refusal(kOpSessioneEmergenza, sessionRequest(QStringLiteral("A"), s, QStringLiteral("OP01")))
                    .contains(QStringLiteral("(ses_IDRegistro)")));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_AnaRegistriEme")), QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_SessioniEmergenza")), QStringLiteral("0"));

    // With a login, the writer is the session's operator whatever the
    // request names.
    DicAmbiente::session().op.code = QStringLiteral("OP02");
    const QVariantList r = call(kOpSessioneEmergenza, sessionRequest(QStringLiteral("A"), session(), QStringLiteral("OP01")));
    ASSERT_EQ(r.value(0).toInt(), 0) << r.value(1).toString().toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Codoper FROM Tab_SessioniEmergenza")), QStringLiteral("OP02"));
}

TEST_P(EmergencyServerTest, AnEmergencyRegistrationIsNeverCarriedIntoTheOtherDirection)
{
    QVariantList first = call(kOpRegistraProtocollo, registrationRequest(QStringLiteral("A"),
                                                                         protocolCondition(kEnte, QStringLiteral("U"), QString()),
                                                                         recoveredColumns(QStringLiteral("U"), QStringLiteral(" 2007TABCD001 ")),
                                                                         QStringLiteral("OP01")));
    ASSERT_EQ(first.value(0).toInt(), 0) << first.value(1).toString().toStdString();
    // Stored without the blanks around, as the recovery names it.
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo WHERE Tab_RegistroTemporaneo = '2007TABCD001'")),
              QStringLiteral("1"));
    const QVariantList other = call(kOpRegistraProtocollo, registrationRequest(QStringLiteral("A"),
                                                                               protocolCondition(kEnte, QStringLiteral("E"), QString()),
                                                                               recoveredColumns(QStringLiteral("E"), QStringLiteral("2007TABCD001")),
                                                                               QStringLiteral("OP01")));
    EXPECT_EQ(other.value(0).toString(), kStatusRefused);
    EXPECT_EQ(other.value(1).toString(),
              QStringLiteral("La registrazione di emergenza 0000015|14/03/2007 del registro 2007TABCD001 "
                             "(Tab_ProtocolloTemporaneo) è già nel registro generale come protocollo U N. ")
                  + first.value(2).toString() + QStringLiteral(". Registrazione non effettuata."));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")), QStringLiteral("1"));
}

NIMBO_INSTANTIATE_ENGINES(EmergencyServerTest);

} // namespace
