// Registration through the protocol server on both engines: numbering,
// atomicity, rewrite with history, refusals, and several writer processes
// at once or killed in the middle.

#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlQuery>
#include <QThread>
#include <gtest/gtest.h>

#include "servers/ProtocolServer.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "support/ProtocolRequests.h"
#include "support/RegisterTest.h"
#include "support/TestDb.h"

using nimbo::ColumnValues;
using nimbo::test::dossierColumns;
using nimbo::test::newProtocolColumns;

namespace {

const QString kEnte = QStringLiteral("ASL1");

// A column list with some values replaced (or added).
ColumnValues withValues(ColumnValues c, const ColumnValues &changes)
{
    for (const auto &[column, value] : changes) {
        bool found = false;
        for (auto &[n, v] : c)
            if (n == column) {
                v = value;
                found = true;
            }
        if (!found)
            c.append({column, value});
    }
    return c;
}

class ProtocolServerTest : public nimbo::test::RegisterTest {
protected:
    void SetUp() override
    {
        RegisterTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        server = std::make_unique<nimbo::ProtocolServer>(db().centralTarget());
        server->setClock([this] { return now; });
    }
    void TearDown() override
    {
        server.reset();
        EngineTest::TearDown();
    }
    QVariantList call(QVariantList request) { return server->Elabora(nimbo::kOpRegistraProtocollo, request); }
    QVariantList registerNew(const QString &dir, const QString &subject, const QVector<ColumnValues> &dossiers = {},
                             const QString &receivedOn = QStringLiteral("03/10/2024"))
    {
        return call(nimbo::registrationRequest(QStringLiteral("A"), nimbo::protocolCondition(kEnte, dir, QString()),
                                               newProtocolColumns(kEnte, dir, subject, QStringLiteral("OP01"), receivedOn),
                                               QStringLiteral("OP01"), dossiers));
    }
    QVariant scalar(const QString &sql)
    {
        QSqlQuery q(db().central());
        return q.exec(sql) && q.next() ? q.value(0) : QVariant(QStringLiteral("<failed: ") + sql + QLatin1Char('>'));
    }
    // Last numbers of TAB_STARTPROTOCOLLO for a year: "entrata/uscita".
    QString counter(int year)
    {
        QSqlQuery q(db().central());
        q.exec(QStringLiteral("SELECT Tab_ProtocolloEntrata, tab_protocolloUscita FROM TAB_STARTPROTOCOLLO "
                              "WHERE Tab_CodiceEnte='ASL1' AND Tab_AnnoProtocollo=%1").arg(year));
        return q.next() ? q.value(0).toString() + QLatin1Char('/') + q.value(1).toString() : QStringLiteral("none");
    }
    int rows(const QString &table) { return scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt(); }

    QDateTime now{QDate(2024, 12, 31), QTime(23, 59, 58)};
    std::unique_ptr<nimbo::ProtocolServer> server;
};

TEST_P(ProtocolServerTest, NumbersAreSharedByDirectionAndRestartEachYear)
{
    const QVariantList first = registerNew(QStringLiteral("E"), QStringLiteral("Primo"), {dossierColumns(kEnte, 7)});
    ASSERT_EQ(first.value(0).toString(), QStringLiteral("0")) << first.value(1).toString().toStdString();
    EXPECT_EQ(first.value(2).toString(), QStringLiteral("20240000001"));
    EXPECT_EQ(first.value(3).toDate(), QDate(2024, 12, 31));
    // Outgoing without reception date: stored as Null, same sequence.
    EXPECT_EQ(registerNew(QStringLiteral("U"), QStringLiteral("Secondo"), {}, QString()).value(2).toString(),
              QStringLiteral("20240000002"));
    EXPECT_EQ(registerNew(QStringLiteral("E"), QStringLiteral("Terzo")).value(2).toString(),
              QStringLiteral("20240000003"));
    EXPECT_EQ(counter(2024), QStringLiteral("3/2"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_ProtocolloEntrata || '/' || tab_protocolloUscita FROM "
                                    "TAB_STARTDIPARTIMENTI WHERE Tab_CodiceEnte='ASL1' AND Tab_CodDipartimento='D01' "
                                    "AND Tab_AnnoProtocollo=2024"))
                  .toString(),
              QStringLiteral("3/2"));

    // A request prepared before midnight and sent after it is numbered and
    // dated in the new year.
    now = QDateTime(QDate(2025, 1, 1), QTime(0, 0, 3));
    const QVariantList newYear = registerNew(QStringLiteral("U"), QStringLiteral("Capodanno"));
    EXPECT_EQ(newYear.value(2).toString(), QStringLiteral("20250000001"));
    EXPECT_EQ(newYear.value(3).toDate(), QDate(2025, 1, 1));
    EXPECT_EQ(counter(2025) + counter(2024), QStringLiteral("0/13/2"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo WHERE Tab_NumeroProtocollo > '20249999999'"))
                  .toInt(),
              1);

    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_NumeroProtocollo, Tab_DataRicezione, Tab_DataProtocollo, "
                                      "Tab_OraProtocollo, Tab_StatoProtocollo, Tab_Stampato, Tab_RegistroTemporaneo, "
                                      "Tab_CodiceOpeReg FROM Tab_Protocollo ORDER BY Tab_NumeroProtocollo")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(1).toDate(), QDate(2024, 3, 10));
    EXPECT_EQ(q.value(4).toString() + q.value(5).toString() + q.value(6).toString() + q.value(7).toString(),
              QStringLiteral("AN OP01"));
    ASSERT_TRUE(q.next());
    EXPECT_TRUE(q.value(1).isNull());
    ASSERT_TRUE(q.next() && q.next());
    EXPECT_EQ(q.value(2).toDate().toString(Qt::ISODate) + q.value(3).toString(), QStringLiteral("2025-01-0100:00:03"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_NumeroProtocollo || Tab_TipoProtocollo || Tab_Provenienza FROM "
                                    "Tab_ProFascicoli WHERE Tab_CodiceFascicolo = 7"))
                  .toString(),
              QStringLiteral("20240000001EP"));
}

TEST_P(ProtocolServerTest, FailedWriteLeavesNoRowAndConsumesNoNumber)
{
    ASSERT_EQ(registerNew(QStringLiteral("E"), QStringLiteral("Uno")).value(2).toString(), QStringLiteral("20240000001"));
    // The database refuses the dossier row written after the protocol's row
    // and the counter: all of it must go.
    QSqlQuery t(db().central());
    if (db().engine() == Dialect::Engine::SQLite) {
        ASSERT_TRUE(t.exec(QStringLiteral("CREATE TRIGGER refuse_four BEFORE INSERT ON Tab_ProFascicoli WHEN "
                                          "new.Tab_CodiceFascicolo = 4 BEGIN SELECT RAISE(ABORT, 'riga rifiutata'); END")));
    } else {
        ASSERT_TRUE(t.exec(QStringLiteral("CREATE FUNCTION refuse_row() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                                          "RAISE EXCEPTION 'riga rifiutata'; END $$")));
        ASSERT_TRUE(t.exec(QStringLiteral("CREATE TRIGGER refuse_four BEFORE INSERT ON Tab_ProFascicoli FOR EACH ROW "
                                          "WHEN (new.Tab_CodiceFascicolo = 4) EXECUTE FUNCTION refuse_row()")));
    }
    const QVariantList failed =
        registerNew(QStringLiteral("U"), QStringLiteral("Due"), {dossierColumns(kEnte, 3), dossierColumns(kEnte, 4)});
    EXPECT_NE(failed.value(0).toString(), QStringLiteral("0"));
    EXPECT_NE(failed.value(0).toString(), nimbo::kStatusRefused);
    EXPECT_FALSE(failed.value(1).toString().isEmpty());
    EXPECT_EQ(rows(QStringLiteral("Tab_Protocollo")), 1);
    EXPECT_EQ(rows(QStringLiteral("Tab_ProFascicoli")), 0);
    EXPECT_EQ(counter(2024), QStringLiteral("1/0"));
    // The first of a year failing leaves no counter row either.
    now = now.addDays(1);
    EXPECT_NE(registerNew(QStringLiteral("E"), QStringLiteral("Tre"), {dossierColumns(kEnte, 4)}).value(0).toString(),
              QStringLiteral("0"));
    EXPECT_EQ(counter(2025), QStringLiteral("none"));
    now = now.addDays(-1);
    ASSERT_TRUE(t.exec(QStringLiteral("DROP TRIGGER refuse_four") + (db().engine() == Dialect::Engine::SQLite
                                                                         ? QString()
                                                                         : QStringLiteral(" ON Tab_ProFascicoli"))));

    EXPECT_EQ(registerNew(QStringLiteral("U"), QStringLiteral("Due"), {dossierColumns(kEnte, 4)}).value(2).toString(),
              QStringLiteral("20240000002"));
}

TEST_P(ProtocolServerTest, CounterStartsAfterNumbersAlreadyInTheRegister)
{
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo) "
                                      "VALUES ('ASL1','E','20240000041'), ('ASL1','U','20240000040'), "
                                      "('ASL1','U','20230000090'), ('ALTRO','U','20240000500')")));
    EXPECT_EQ(registerNew(QStringLiteral("U"), QStringLiteral("Dopo")).value(2).toString(), QStringLiteral("20240000042"));
    EXPECT_EQ(counter(2024), QStringLiteral("41/42"));
}

TEST_P(ProtocolServerTest, RewriteKeepsNumberRegistrarEmergencyFieldsAndStateAndRecordsHistory)
{
    const QString number = registerNew(QStringLiteral("E"), QStringLiteral("Originale")).value(2).toString();
    ASSERT_EQ(number, QStringLiteral("20240000001"));
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_Protocollo SET Tab_ProtocolloTemporaneo='0000015|14/03/2024', "
                                      "Tab_RegistroTemporaneo='2024C0001001', Tab_StatoProtocollo='C', "
                                      "Tab_DataCancellazione='2024-03-15', Tab_MotivoCancellazione='01', "
                                      "Tab_CodiceOpeCanc='OP01'")));

    now = QDateTime(QDate(2025, 2, 3), QTime(9, 30, 0));
    ColumnValues cols = newProtocolColumns(kEnte, QStringLiteral("E"), QStringLiteral("Corretto"), QStringLiteral("OP02"));
    for (auto &[name, value] : cols) {
        if (name == QLatin1String("Tab_NumeroProtocollo"))
            value = QStringLiteral("20259999999");
        if (name == QLatin1String("Tab_RegistroTemporaneo") || name == QLatin1String("Tab_ProtocolloTemporaneo"))
            value = QStringLiteral("X");
    }
    const QVariantList reply = call(nimbo::registrationRequest(
        QStringLiteral("R"), nimbo::protocolCondition(kEnte, QStringLiteral("E"), number), cols, QStringLiteral("OP02")));
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    EXPECT_EQ(reply.value(2).toString(), number);

    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Oggetto || '|' || Tab_CodiceOpeReg || '|' || Tab_ProtocolloTemporaneo || "
                                    "'|' || Tab_RegistroTemporaneo || '|' || Tab_CodOper || Tab_StatoProtocollo FROM Tab_Protocollo"))
                  .toString(),
              QStringLiteral("Corretto|OP01|0000015|14/03/2024|2024C0001001|OP02C"));
    EXPECT_EQ(counter(2024) + counter(2025), QStringLiteral("1/0none"));

    // The database wrote the history: a row for the plain UPDATE above, one
    // for the rewrite, each the row as it was, dated by the database clock.
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_NumeroProtocollo, Tab_Oggetto, Tab_CodOper, Tab_DataModifica, "
                                      "Tab_OraModifica, Tab_OperatoreModifica, Tab_DataRicezione, Tab_StatoProtocollo "
                                      "FROM Tab_Protocollo_Storico ORDER BY ID")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(1).toString() + q.value(5).toString() + q.value(7).toString(), QStringLiteral("OriginaleOP01A"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString() + q.value(1).toString() + q.value(2).toString() + q.value(7).toString(),
              QStringLiteral("20240000001OriginaleOP01C"));
    EXPECT_EQ(q.value(3).toDate(), QDate::currentDate());
    EXPECT_EQ(q.value(4).toString().size(), 8);
    EXPECT_EQ(q.value(5).toString(), QStringLiteral("OP02"));
    EXPECT_EQ(q.value(6).toDate(), QDate(2024, 3, 10));
    EXPECT_FALSE(q.next());
}

TEST_P(ProtocolServerTest, RegistrationPassesTheRegistersGuardAndEachChangeLeavesOneHistoryRow)
{
    ASSERT_TRUE(nimbo::test::closeProtocolAdmissions(db().central()));
    server->setClock({});
    const QVariantList first = registerNew(QStringLiteral("E"), QStringLiteral("Originale"));
    ASSERT_EQ(first.value(0).toString(), QStringLiteral("0")) << first.value(1).toString().toStdString();
    const QString number = first.value(2).toString();
    // A row written beside the server, one number ahead of its counter,
    // is refused and cannot stop the next registration.
    const int year = QDate::currentDate().year();
    const QString ahead = QStringLiteral("%1%2").arg(year).arg(number.mid(4).toInt() + 1, 7, 10, QLatin1Char('0'));
    QSqlQuery q(db().central());
    EXPECT_FALSE(q.exec(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                                       "Tab_DataProtocollo, Tab_OraProtocollo, Tab_DataRegistrazione, Tab_Oggetto) "
                                       "VALUES ('ASL1', 'U', '%1', '%2', '10:00:00', '%2', 'Di nascosto')")
                            .arg(ahead, QDate::currentDate().toString(Qt::ISODate))));
    const QVariantList next = registerNew(QStringLiteral("U"), QStringLiteral("Seconda"), {}, QString());
    ASSERT_EQ(next.value(0).toString(), QStringLiteral("0")) << next.value(1).toString().toStdString();
    EXPECT_EQ(next.value(2).toString(), ahead);

    const auto rewrite = [&](const QString &subject, const QString &op) {
        return call(nimbo::registrationRequest(
            QStringLiteral("R"), nimbo::protocolCondition(kEnte, QStringLiteral("E"), number),
            newProtocolColumns(kEnte, QStringLiteral("E"), subject, op), op));
    };
    EXPECT_EQ(rewrite(QStringLiteral("Corretto"), QStringLiteral("OP02")).value(0).toString(), QStringLiteral("0"));
    // The same values again, by another operator: no change, no history.
    EXPECT_EQ(rewrite(QStringLiteral("Corretto"), QStringLiteral("OP01")).value(0).toString(), QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) || '|' || MIN(Tab_Oggetto) || '|' || MIN(Tab_OperatoreModifica) "
                                    "FROM Tab_Protocollo_Storico"))
                  .toString(),
              QStringLiteral("1|Originale|OP02"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_DataModifica FROM Tab_Protocollo_Storico")).toDate(),
              QDate::currentDate());
}

TEST_P(ProtocolServerTest, TheSessionsOperatorRegistersAndSignsWhateverTheRequestNames)
{
    DicAmbiente::session().op.code = QStringLiteral("OP02");
    const ColumnValues cols = withValues(newProtocolColumns(kEnte, QStringLiteral("E"), QStringLiteral("Domanda")),
                                         {{QStringLiteral("Tab_CodiceOpeReg"), QStringLiteral("OP01")},
                                          {QStringLiteral("Tab_CodOper"), QStringLiteral("OP01")}});
    const QVariantList reply = call(nimbo::registrationRequest(
        QStringLiteral("A"), nimbo::protocolCondition(kEnte, QStringLiteral("E"), QString()), cols, QStringLiteral("OP01")));
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    const QString who = QStringLiteral("SELECT Tab_CodiceOpeReg || '|' || Tab_CodOper FROM Tab_Protocollo");
    EXPECT_EQ(scalar(who).toString(), QStringLiteral("OP02|OP02"));
    const QVariantList rewritten = call(nimbo::registrationRequest(
        QStringLiteral("R"), nimbo::protocolCondition(kEnte, QStringLiteral("E"), reply.value(2).toString()),
        withValues(cols, {{QStringLiteral("Tab_Oggetto"), QStringLiteral("Domanda corretta")}}), QStringLiteral("OP01")));
    ASSERT_EQ(rewritten.value(0).toString(), QStringLiteral("0")) << rewritten.value(1).toString().toStdString();
    EXPECT_EQ(scalar(who).toString(), QStringLiteral("OP02|OP02"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_OperatoreModifica FROM Tab_Protocollo_Storico")).toString(),
              QStringLiteral("OP02"));
    DicAmbiente::session().op.code.clear();
}

TEST_P(ProtocolServerTest, ValuesTheRegisterCannotHoldAreRefusedNamingTheField)
{
    const ColumnValues good = newProtocolColumns(kEnte, QStringLiteral("E"), QStringLiteral("Oggetto"));
    const QString cond = nimbo::protocolCondition(kEnte, QStringLiteral("E"), QString());
    // Letters that no compression shortens, as a pasted document would be.
    QString megabyte;
    for (int i = 0; i < 1 << 20; ++i)
        megabyte += QChar(u'a' + QRandomGenerator::global()->bounded(26));
    const struct {
        const char *column;
        QVariant value;
    } cases[] = {
        {"Tab_Intestatario", QVariant(qlonglong(1) << 31)},
        {"Tab_Intestatario", QStringLiteral("99999999999999999999")},
        {"Tab_ComponenteUfficio", QVariant(1e12)},
        {"Tab_RegistroTemporaneo", megabyte},
        {"Tab_SoggPrivacy", QStringLiteral("X")},
        {"Tab_Stampato", QStringLiteral("Q")},
    };
    for (const auto &c : cases) {
        const QVariantList reply = call(nimbo::registrationRequest(
            QStringLiteral("A"), cond, withValues(good, {{QString::fromLatin1(c.column), c.value}}), QStringLiteral("OP01")));
        EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused) << c.column << ": " << reply.value(1).toString().left(300).toStdString();
        EXPECT_TRUE(reply.value(1).toString().contains(QString::fromLatin1(c.column)))
            << reply.value(1).toString().left(300).toStdString();
        EXPECT_LT(reply.value(1).toString().size(), 300);
    }
    EXPECT_EQ(rows(QStringLiteral("Tab_Protocollo")), 0);

    // A leading byte-order mark is dropped the same on both engines; a code
    // typed in lower case or with blanks is stored as the code.
    const QVariantList reply = call(nimbo::registrationRequest(
        QStringLiteral("A"), cond,
        withValues(good, {{QStringLiteral("Tab_Oggetto"), QString(QChar(0xFEFF)) + QStringLiteral("Con marca")},
                          {QStringLiteral("Tab_SoggPrivacy"), QStringLiteral(" s")},
                          {QStringLiteral("Tab_Stampato"), QString()}}),
        QStringLiteral("OP01")));
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Oggetto || '|' || Tab_SoggPrivacy || '|' || Tab_Stampato FROM "
                                    "Tab_Protocollo")).toString(),
              QStringLiteral("Con marca|S|N"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT length(Tab_Oggetto) FROM Tab_Protocollo")).toInt(), 9);
}

TEST_P(ProtocolServerTest, MalformedOrUnsafeRequestsAreRefusedAndWriteNothing)
{
    const QString newCond = nimbo::protocolCondition(kEnte, QStringLiteral("E"), QString());
    const ColumnValues good = newProtocolColumns(kEnte, QStringLiteral("E"), QStringLiteral("Oggetto"));
    auto with = [&](const QString &column, const QVariant &value) { return withValues(good, {{column, value}}); };
    auto without = [&](const QString &column) {
        ColumnValues c;
        for (const auto &e : good)
            if (e.first != column)
                c.append(e);
        return c;
    };
    auto req = [](const QString &mode, const QString &cond, const ColumnValues &cols) {
        return nimbo::registrationRequest(mode, cond, cols, QStringLiteral("OP01"));
    };
    const struct {
        const char *what;
        QVariantList request;
    } cases[] = {
        {"unknown column", req(QStringLiteral("A"), newCond, with(QStringLiteral("Tab_Oggetto) VALUES (1); --"), 1))},
        {"condition with more than the key",
         req(QStringLiteral("A"), newCond + QStringLiteral(" or 1=1"), good)},
        {"condition on another column",
         req(QStringLiteral("R"), QStringLiteral("Tab_Ente='ASL1' and Tab_Oggetto='x' and Tab_NumeroProtocollo='20240000001'"),
             good)},
        {"condition with an unclosed quote",
         req(QStringLiteral("A"), QStringLiteral("Tab_Ente='ASL1' and Tab_TipoProtocollo='E' and Tab_NumeroProtocollo='"),
             good)},
        {"rewrite of a protocol that does not exist",
         req(QStringLiteral("R"), nimbo::protocolCondition(kEnte, QStringLiteral("E"), QStringLiteral("20240000009")), good)},
        {"rewrite naming the number with a trick",
         req(QStringLiteral("R"), QStringLiteral("Tab_Ente='ASL1' and Tab_TipoProtocollo='E' and "
                                                 "Tab_NumeroProtocollo='20240000001'' or ''1''=''1'"),
             good)},
        {"missing subject", req(QStringLiteral("A"), newCond, without(QStringLiteral("Tab_Oggetto")))},
        {"incoming without reception date", req(QStringLiteral("A"), newCond, with(QStringLiteral("Tab_DataRicezione"), QString()))},
        {"bad date", req(QStringLiteral("A"), newCond, with(QStringLiteral("Tab_DataProtocollo"), QStringLiteral("13/45/2024")))},
        {"non-numeric correspondent", req(QStringLiteral("A"), newCond, with(QStringLiteral("Tab_Intestatario"), QStringLiteral("12a")))},
        {"direction other than E/U", req(QStringLiteral("A"), nimbo::protocolCondition(kEnte, QStringLiteral("X"), QString()), good)},
        {"column list against the condition", req(QStringLiteral("A"), newCond, with(QStringLiteral("Tab_Ente"), QStringLiteral("ALTRO")))},
        {"unknown mode", req(QStringLiteral("C"), newCond, good)},
        {"no operator", nimbo::registrationRequest(QStringLiteral("A"), newCond, good, QString())},
        {"dossier with an unknown column",
         nimbo::registrationRequest(QStringLiteral("A"), newCond, good, QStringLiteral("OP01"),
                                    {{{QStringLiteral("Tab_Ente; DROP TABLE Tab_Protocollo"), kEnte}}})},
    };
    for (const auto &c : cases) {
        QVariantList request = c.request;
        const QVariantList reply = server->Elabora(nimbo::kOpRegistraProtocollo, request);
        EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused) << c.what;
        EXPECT_FALSE(reply.value(1).toString().isEmpty()) << c.what;
    }
    EXPECT_EQ(rows(QStringLiteral("Tab_Protocollo")) + rows(QStringLiteral("Tab_Protocollo_Storico")), 0);
    EXPECT_EQ(counter(2024), QStringLiteral("none"));
    // A quote inside the body code is a value, not SQL.
    ASSERT_TRUE(nimbo::test::seedRegistrationReferences(db().central(), QStringLiteral("O'NE")));
    QVariantList quoted = nimbo::registrationRequest(
        QStringLiteral("A"), nimbo::protocolCondition(QStringLiteral("O'NE"), QStringLiteral("U"), QString()),
        newProtocolColumns(QStringLiteral("O'NE"), QStringLiteral("U"), QStringLiteral("Apice")), QStringLiteral("OP01"));
    EXPECT_EQ(server->Elabora(nimbo::kOpRegistraProtocollo, quoted).value(0).toString(), QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Ente FROM Tab_Protocollo")).toString(), QStringLiteral("O'NE"));
}

TEST_P(ProtocolServerTest, CreatedByProgIdOnTheSessionDatabase)
{
    nimbo::registerServers();
    QString error;
    auto byName = nimbo::ServerRegistry::create(nimbo::kProtocolProgId, &error);
    ASSERT_TRUE(byName) << error.toStdString();
    QVariantList request = nimbo::registrationRequest(QStringLiteral("A"),
                                                      nimbo::protocolCondition(kEnte, QStringLiteral("U"), QString()),
                                                      newProtocolColumns(kEnte, QStringLiteral("U"), QStringLiteral("Via registro")),
                                                      QStringLiteral("OP01"));
    const QVariantList reply = byName->Elabora(nimbo::kOpRegistraProtocollo, request);
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    // The database server's clock gives the year and the date.
    const QDate today = QDate::currentDate();
    EXPECT_EQ(reply.value(2).toString(), QString::number(today.year()) + QStringLiteral("0000001"));
    EXPECT_EQ(reply.value(3).toDate(), today);
}

TEST_P(ProtocolServerTest, DateAndTimeComeFromTheDatabaseClockAndNoRewriteChangesThem)
{
    // "NUOVO" was pressed at 10:15:00 and filled the form; "REGISTRA" came
    // 40 seconds later. The client also names a last writer of its own.
    now = QDateTime(QDate(2024, 11, 3), QTime(10, 15, 40));
    const ColumnValues filled = withValues(
        newProtocolColumns(kEnte, QStringLiteral("E"), QStringLiteral("Domanda")),
        {{QStringLiteral("Tab_OraProtocollo"), QStringLiteral("10:15:00")},
         {QStringLiteral("Tab_DataProtocollo"), QStringLiteral("11/02/2024")},
         {QStringLiteral("Tab_DataRegistrazione"), QStringLiteral("11/02/2024")},
         {QStringLiteral("Tab_CodOper"), QStringLiteral("ALTRO")},
         {QStringLiteral("Tab_DatOper"), QStringLiteral("01/01/2000")}});
    const QVariantList reply = call(nimbo::registrationRequest(
        QStringLiteral("A"), nimbo::protocolCondition(kEnte, QStringLiteral("E"), QString()), filled, QStringLiteral("OP01")));
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    const QString number = reply.value(2).toString();
    const QString fixed = QStringLiteral("SELECT Tab_DataProtocollo || ' ' || Tab_OraProtocollo || ' ' || "
                                         "Tab_DataRegistrazione || ' ' || Tab_CodOper || ' ' || Tab_DatOper FROM "
                                         "Tab_Protocollo");
    EXPECT_EQ(scalar(fixed).toString(), QStringLiteral("2024-11-03 10:15:40 2024-11-03 OP01 2024-11-03"));
    EXPECT_EQ(reply.value(3).toDate(), QDate(2024, 11, 3));

    // Two days later OP02 corrects the subject and sends other dates.
    now = QDateTime(QDate(2024, 11, 5), QTime(9, 0, 0));
    const ColumnValues rewrite = withValues(filled, {{QStringLiteral("Tab_Oggetto"), QStringLiteral("Domanda corretta")},
                                                     {QStringLiteral("Tab_OraProtocollo"), QStringLiteral("23:59:59")},
                                                     {QStringLiteral("Tab_DataProtocollo"), QStringLiteral("01/01/2024")},
                                                     {QStringLiteral("Tab_DataRegistrazione"), QStringLiteral("01/01/2024")}});
    const QVariantList rewritten = call(nimbo::registrationRequest(
        QStringLiteral("R"), nimbo::protocolCondition(kEnte, QStringLiteral("E"), number), rewrite, QStringLiteral("OP02")));
    ASSERT_EQ(rewritten.value(0).toString(), QStringLiteral("0")) << rewritten.value(1).toString().toStdString();
    EXPECT_EQ(scalar(fixed).toString(), QStringLiteral("2024-11-03 10:15:40 2024-11-03 OP02 2024-11-05"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Oggetto FROM Tab_Protocollo")).toString(), QStringLiteral("Domanda corretta"));
}

TEST_P(ProtocolServerTest, EveryReferenceIsCheckedAndARefusalConsumesNothing)
{
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO Tab_Operatori (Op_Codice_Operatore, Op_Ente, Op_Attivo) VALUES "
                                      "('OP03', 'ASL1', 'N')")));
    ASSERT_TRUE(nimbo::test::seedRegistrationReferences(db().central(), QStringLiteral("ALTRO")));
    ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_EnteRubrica, Tab_Identificativo, Tab_Denominazione) "
                                      "VALUES ('ALTRO', 13, 'Di un altro ente')")));
    const ColumnValues good = newProtocolColumns(kEnte, QStringLiteral("E"), QStringLiteral("Oggetto"));
    const QString cond = nimbo::protocolCondition(kEnte, QStringLiteral("E"), QString());
    const struct {
        const char *what;
        QString condition;
        ColumnValues columns;
        QString op;
        const char *says;
    } cases[] = {
        {"unknown body", nimbo::protocolCondition(QStringLiteral("NESSUNO"), QStringLiteral("E"), QString()),
         withValues(good, {{QStringLiteral("Tab_Ente"), QStringLiteral("NESSUNO")}}), QStringLiteral("OP01"), "Tab_Ente"},
        {"unknown operator", cond, good, QStringLiteral("OP99"), "Operatore sconosciuto: OP99"},
        {"inactive operator", cond, good, QStringLiteral("OP03"), "Operatore non attivo: OP03"},
        {"negative correspondent", cond, withValues(good, {{QStringLiteral("Tab_Intestatario"), -12}}),
         QStringLiteral("OP01"), "Tab_Intestatario"},
        {"correspondent of another body", cond, withValues(good, {{QStringLiteral("Tab_Intestatario"), 13}}),
         QStringLiteral("OP01"), "Tab_Intestatario"},
        {"unknown document type", cond, withValues(good, {{QStringLiteral("Tab_Tipologia"), QStringLiteral("XYZ")}}),
         QStringLiteral("OP01"), "Tab_Tipologia"},
        {"unknown department", cond, withValues(good, {{QStringLiteral("Tab_SedeRicezione"), QStringLiteral("D99")}}),
         QStringLiteral("OP01"), "Tab_SedeRicezione"},
        {"office of no department", cond,
         withValues(good, {{QStringLiteral("Tab_UfficioRegistrazione"), QStringLiteral("U99")}}), QStringLiteral("OP01"),
         "Tab_UfficioRegistrazione"},
        {"cancellation date on a new protocol", cond,
         withValues(good, {{QStringLiteral("Tab_DataCancellazione"), QStringLiteral("03/11/2024")}}),
         QStringLiteral("OP01"), "Tab_DataCancellazione"},
        {"cancellation reason on a new protocol", cond,
         withValues(good, {{QStringLiteral("Tab_MotivoCancellazione"), QStringLiteral("01")}}), QStringLiteral("OP01"),
         "Tab_MotivoCancellazione"},
        {"new protocol born cancelled", cond, withValues(good, {{QStringLiteral("Tab_StatoProtocollo"), QStringLiteral("C")}}),
         QStringLiteral("OP01"), "Tab_StatoProtocollo"},
    };
    for (const auto &c : cases) {
        const QVariantList reply = call(nimbo::registrationRequest(QStringLiteral("A"), c.condition, c.columns, c.op));
        EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused) << c.what;
        EXPECT_TRUE(reply.value(1).toString().contains(QString::fromUtf8(c.says)))
            << c.what << ": " << reply.value(1).toString().toStdString();
    }
    EXPECT_EQ(rows(QStringLiteral("Tab_Protocollo")) + rows(QStringLiteral("Tab_ProFascicoli")), 0);
    EXPECT_EQ(rows(QStringLiteral("TAB_STARTPROTOCOLLO")) + rows(QStringLiteral("TAB_STARTDIPARTIMENTI")), 0);

    // The first good request gets the first number; a rewrite is checked
    // the same way and leaves the row as it was.
    const QString number = registerNew(QStringLiteral("E"), QStringLiteral("Oggetto")).value(2).toString();
    EXPECT_EQ(number, QStringLiteral("20240000001"));
    const QVariantList bad = call(nimbo::registrationRequest(
        QStringLiteral("R"), nimbo::protocolCondition(kEnte, QStringLiteral("E"), number),
        withValues(good, {{QStringLiteral("Tab_Oggetto"), QStringLiteral("Cambiato")},
                          {QStringLiteral("Tab_Tipologia"), QStringLiteral("XYZ")}}),
        QStringLiteral("OP01")));
    EXPECT_EQ(bad.value(0).toString(), nimbo::kStatusRefused);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Oggetto FROM Tab_Protocollo")).toString(), QStringLiteral("Oggetto"));
    EXPECT_EQ(rows(QStringLiteral("Tab_Protocollo_Storico")), 0);
}

// Nothing new is registered under a closed office or department; what was
// registered there before can still be corrected.
TEST_P(ProtocolServerTest, ClosedOfficesAndDepartmentsTakeNoNewProtocols)
{
    const QString number = registerNew(QStringLiteral("E"), QStringLiteral("Oggetto")).value(2).toString();
    ASSERT_FALSE(number.isEmpty());
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_Uffici SET Tab_Chiuso = 'SI' WHERE Tab_Ufficio = 'U01'")));
    const ColumnValues good = newProtocolColumns(kEnte, QStringLiteral("E"), QStringLiteral("Oggetto"));
    const QString cond = nimbo::protocolCondition(kEnte, QStringLiteral("E"), QString());
    QVariantList reply = call(nimbo::registrationRequest(QStringLiteral("A"), cond, good, QStringLiteral("OP01")));
    EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused);
    EXPECT_TRUE(reply.value(1).toString().contains(QStringLiteral("U01 chiuso"))) << reply.value(1).toString().toStdString();
    reply = call(nimbo::registrationRequest(QStringLiteral("R"), nimbo::protocolCondition(kEnte, QStringLiteral("E"), number),
                                            withValues(good, {{QStringLiteral("Tab_Oggetto"), QStringLiteral("Corretto")}}),
                                            QStringLiteral("OP01")));
    EXPECT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_Uffici SET Tab_Chiuso = 'NO' WHERE Tab_Ufficio = 'U01'")));
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_Dipartimenti SET Dipa_Chiuso = 'SI' WHERE Dipa_CodDipartimento = 'D01'")));
    reply = call(nimbo::registrationRequest(QStringLiteral("A"), cond, good, QStringLiteral("OP01")));
    EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused);
    EXPECT_TRUE(reply.value(1).toString().contains(QStringLiteral("D01 chiuso"))) << reply.value(1).toString().toStdString();
    EXPECT_EQ(rows(QStringLiteral("Tab_Protocollo")), 1);
}

TEST_P(ProtocolServerTest, ControlCharactersAndBrokenUnicodeAreRefusedOtherTextIsStoredExactly)
{
    const auto subject = [](const QString &text) {
        return withValues(newProtocolColumns(kEnte, QStringLiteral("U"), QStringLiteral("x"), QStringLiteral("OP01"), QString()),
                          {{QStringLiteral("Tab_Oggetto"), text}});
    };
    const QString cond = nimbo::protocolCondition(kEnte, QStringLiteral("U"), QString());
    const QString refusedTexts[] = {
        QStringLiteral("Nulla") + QChar(0) + QStringLiteral("dopo"),
        QStringLiteral("Campanello") + QChar(7),
        QStringLiteral("Escape") + QChar(0x1b) + QStringLiteral("[2J"),
        QStringLiteral("Cancella") + QChar(0x7f),
        QStringLiteral("Riga") + QChar(0x85) + QStringLiteral("successiva"),
        QStringLiteral("Mezzo ") + QChar(0xd83d) + QStringLiteral(" carattere"),
        QStringLiteral("Coda ") + QChar(0xdc4d),
    };
    for (const QString &text : refusedTexts) {
        const QVariantList reply = call(nimbo::registrationRequest(QStringLiteral("A"), cond, subject(text), QStringLiteral("OP01")));
        EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused) << text.toStdString();
        EXPECT_TRUE(reply.value(1).toString().contains(QStringLiteral("Tab_Oggetto")))
            << reply.value(1).toString().toStdString();
        EXPECT_FALSE(reply.value(1).toString().contains(QStringLiteral("Domanda"))); // no other value echoed
    }
    EXPECT_EQ(rows(QStringLiteral("Tab_Protocollo")), 0);
    EXPECT_EQ(counter(2024), QStringLiteral("none"));

    const QString stored[] = {
        QStringLiteral("Riga uno\nRiga\tdue\r\nfine"),
        QStringLiteral("L'ufficio dell'ente ''doppio''"),
        QStringLiteral("Pratica \U0001F4C4 urgente \U0001F44D àèìòù €"),
        QString(100000, QLatin1Char('a')) + QStringLiteral("\U0001F600"),
    };
    for (const QString &text : stored) {
        const QVariantList reply = call(nimbo::registrationRequest(QStringLiteral("A"), cond, subject(text), QStringLiteral("OP01")));
        ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().left(200).toStdString();
        EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Oggetto FROM Tab_Protocollo WHERE Tab_NumeroProtocollo = '")
                         + reply.value(2).toString() + QLatin1Char('\''))
                      .toString(),
                  text);
    }
}

TEST_P(ProtocolServerTest, CounterBehindTheRegisterIsRefusedWithAClearText)
{
    ASSERT_EQ(registerNew(QStringLiteral("E"), QStringLiteral("Uno")).value(2).toString(), QStringLiteral("20240000001"));
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE TAB_STARTPROTOCOLLO SET Tab_ProtocolloEntrata = 0")));
    const QVariantList reply = registerNew(QStringLiteral("U"), QStringLiteral("Due"), {}, QString());
    EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused);
    EXPECT_TRUE(reply.value(1).toString().contains(QStringLiteral("20240000001 risulta già assegnato")))
        << reply.value(1).toString().toStdString();
    EXPECT_EQ(rows(QStringLiteral("Tab_Protocollo")), 1);
    EXPECT_EQ(counter(2024), QStringLiteral("0/0"));
}

// ---- several processes ---------------------------------------------------------

class ProtocolProcessTest : public ProtocolServerTest {
protected:
    // The writers meet the register's own guard: no admission beside them.
    void SetUp() override
    {
        ProtocolServerTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(nimbo::test::closeProtocolAdmissions(db().central()));
    }
    std::unique_ptr<QProcess> worker(int count)
    {
        auto p = std::make_unique<QProcess>();
        const bool pg = db().engine() == Dialect::Engine::PostgreSQL;
        p->start(QStringLiteral(NIMBO_PROTOCOL_WORKER),
                 {pg ? QStringLiteral("pg") : QStringLiteral("sqlite"), db().centralTarget().location,
                  QString::number(count), kEnte});
        return p;
    }
    // Progressives of the current year in the register, in order.
    QList<int> progressives()
    {
        QList<int> out;
        QSqlQuery q(db().central());
        q.exec(QStringLiteral("SELECT Tab_NumeroProtocollo FROM Tab_Protocollo WHERE Tab_NumeroProtocollo LIKE '%1%' "
                              "ORDER BY Tab_NumeroProtocollo").arg(QDate::currentDate().year()));
        while (q.next())
            out << q.value(0).toString().mid(4).toInt();
        return out;
    }
};

TEST_P(ProtocolProcessTest, ConcurrentWritersGetEveryNumberOnce)
{
    constexpr int kWorkers = 4, kEach = 25;
    std::vector<std::unique_ptr<QProcess>> ps;
    for (int i = 0; i < kWorkers; ++i)
        ps.push_back(worker(kEach));
    QStringList printed;
    for (auto &p : ps) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        printed << QString::fromLatin1(p->readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QList<int> expected;
    for (int i = 1; i <= kWorkers * kEach; ++i)
        expected << i;
    EXPECT_EQ(progressives(), expected);
    EXPECT_EQ(QSet<QString>(printed.begin(), printed.end()).size(), kWorkers * kEach);
    EXPECT_EQ(rows(QStringLiteral("Tab_ProFascicoli")), 2 * kWorkers * kEach);
    const QStringList c = counter(QDate::currentDate().year()).split(QLatin1Char('/'));
    ASSERT_EQ(c.size(), 2);
    EXPECT_EQ(std::max(c[0].toInt(), c[1].toInt()), kWorkers * kEach);
}

TEST_P(ProtocolProcessTest, WriterWaitsOutAnotherWritersLockOnTheCounter)
{
    server->setClock({});
    ASSERT_EQ(registerNew(QStringLiteral("E"), QStringLiteral("Prima")).value(0).toString(), QStringLiteral("0"));
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(Dialect::beginStatement(db().engine())));
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE TAB_STARTPROTOCOLLO SET Tab_ProtocolloEntrata = Tab_ProtocolloEntrata")));
    auto p = worker(1);
    // Well past the engine's own short lock timeout.
    EXPECT_FALSE(p->waitForFinished(1200));
    ASSERT_TRUE(q.exec(QStringLiteral("COMMIT")));
    ASSERT_TRUE(p->waitForFinished(30000));
    EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromLatin1(p->readAllStandardOutput()).trimmed().mid(4), QStringLiteral("0000002"));
}

TEST_P(ProtocolProcessTest, KilledWriterLeavesAConsistentRegister)
{
    server->setClock({});
    for (int round = 0; round < 3; ++round) {
        auto p = worker(0);
        ASSERT_TRUE(p->waitForStarted());
        int seen = 0;
        while (seen < 3 + round && p->waitForReadyRead(30000))
            seen += p->readAllStandardOutput().count('\n');
        QThread::msleep(3 * round);
        p->kill();
        ASSERT_TRUE(p->waitForFinished(10000));
        // A commit the killed worker had already sent is still the server's
        // to finish: look once its session is gone.
        for (int i = 0; i < 100 && db().engine() == Dialect::Engine::PostgreSQL
                        && scalar(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = "
                                                 "current_database() AND pid <> pg_backend_pid() AND state <> 'idle'"))
                                   .toInt() > 0;
             ++i)
            QThread::msleep(50);

        const QList<int> got = progressives();
        ASSERT_FALSE(got.isEmpty());
        for (int i = 0; i < got.size(); ++i)
            ASSERT_EQ(got[i], i + 1) << "gap or duplicate in round " << round;
        EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo p WHERE (SELECT COUNT(*) FROM "
                                        "Tab_ProFascicoli f WHERE f.Tab_Ente = p.Tab_Ente AND f.Tab_NumeroProtocollo = "
                                        "p.Tab_NumeroProtocollo AND f.Tab_TipoProtocollo = p.Tab_TipoProtocollo) <> 2"))
                      .toInt(),
                  0);
        const QStringList c = counter(QDate::currentDate().year()).split(QLatin1Char('/'));
        ASSERT_EQ(c.size(), 2);
        EXPECT_EQ(std::max(c[0].toInt(), c[1].toInt()), got.last());

        const QVariantList next = registerNew(QStringLiteral("E"), QStringLiteral("Dopo il crollo"),
                                              {dossierColumns(kEnte, 1), dossierColumns(kEnte, 2)});
        EXPECT_EQ(next.value(2).toString().mid(4).toInt(), got.last() + 1);
    }
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(ProtocolServerTest);
NIMBO_INSTANTIATE_ENGINES(ProtocolProcessTest);
