// A protocol is cancelled only with the record of its cancellation, keeps
// that record, and never comes back: plain SQL through the engines' own
// clients, on PostgreSQL also with the workstations' credentials; and a
// register of the previous version gains the authorising act's columns,
// kept by the history too.

#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "AdminRun.h"
#include "SqlClient.h"
#include "schema/Schema.h"
#include "support/TestDb.h"

using namespace nimbo::test;

namespace {

const char *kRow = "INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataProtocollo, "
                   "Tab_OraProtocollo, Tab_DataRegistrazione, Tab_CodiceOpeReg, Tab_Oggetto, Tab_RegistroTemporaneo, "
                   "Tab_Stampato) VALUES ('001','E','20240000001','2024-03-01','10:00:00','2024-03-01','OP01',"
                   "'Lettera',' ','N')";

const QString kWhere = QStringLiteral(" WHERE Tab_NumeroProtocollo = '20240000001'");
const QString kCancel = QStringLiteral("UPDATE Tab_Protocollo SET Tab_StatoProtocollo = 'C'");
const QString kDate = QStringLiteral(", Tab_DataCancellazione = '2024-03-02'");
const QString kReason = QStringLiteral(", Tab_MotivoCancellazione = '01'");
const QString kOperator = QStringLiteral(", Tab_CodiceOpeCanc = 'OP02'");

struct Case {
    QString sql;
    bool passes;
    const char *says;
};

// The same story told to any client: returns what the register then holds.
QString tell(const std::function<ClientResult(const QString &)> &client, const std::function<QString()> &state)
{
    const QString upd = QStringLiteral("UPDATE Tab_Protocollo SET ");
    const Case cases[] = {
        {kCancel + kWhere, false, "Tab_DataCancellazione"},
        {kCancel + kReason + kOperator + kWhere, false, "Tab_DataCancellazione"},
        {kCancel + kDate + kOperator + kWhere, false, "Tab_MotivoCancellazione"},
        {kCancel + kDate + kReason + QStringLiteral(", Tab_CodiceOpeCanc = '  '") + kWhere, false, "Tab_CodiceOpeCanc"},
        // Data without the state changes nothing of the state: allowed.
        {upd + QStringLiteral("Tab_NoteCancellazione = 'bozza'") + kWhere, true, ""},
        {kCancel + kDate + kReason + kOperator + kWhere, true, ""},
        {upd + QStringLiteral("Tab_StatoProtocollo = 'A'") + kWhere, false, "annullato non può tornare attivo"},
        {upd + QStringLiteral("Tab_StatoProtocollo = 'A', Tab_DataCancellazione = NULL") + kWhere, false, ""},
        {upd + QStringLiteral("Tab_MotivoCancellazione = '02'") + kWhere, false, "non possono essere modificati"},
        {upd + QStringLiteral("Tab_DataCancellazione = NULL") + kWhere, false, "non possono essere modificati"},
        {upd + QStringLiteral("Tab_CodiceOpeCanc = 'OP09'") + kWhere, false, "non possono essere modificati"},
        // What does not record the cancellation may still be corrected.
        {upd + QStringLiteral("Tab_NoteCancellazione = 'Registrato due volte'") + kWhere, true, ""},
    };
    for (const Case &c : cases) {
        const ClientResult r = client(c.sql);
        EXPECT_EQ(r.ok, c.passes) << c.sql.toStdString() << "\n" << r.output.toStdString();
        EXPECT_TRUE(r.output.contains(QString::fromUtf8(c.says))) << c.sql.toStdString() << "\n" << r.output.toStdString();
    }
    return state();
}

class CancelGuards : public EngineTest {
protected:
    QString state()
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT Tab_StatoProtocollo || '|' || CAST(Tab_DataCancellazione AS VARCHAR(10)) "
                                          "|| '|' || Tab_MotivoCancellazione || '|' || Tab_CodiceOpeCanc || '|' || "
                                          "Tab_NoteCancellazione FROM Tab_Protocollo")
                           + kWhere)
                    && q.next())
            << q.lastError().text().toStdString();
        return q.value(0).toString();
    }
    void exec(const QString &sql)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(sql)) << q.lastError().text().toStdString() << " " << sql.toStdString();
    }
};

const QString kCancelled = QStringLiteral("C|2024-03-02|01|OP02|Registrato due volte");

TEST_P(CancelGuards, PlainSqlCancelsOnlyWithDateReasonAndOperatorAndNeverUndoes)
{
    exec(QString::fromLatin1(kRow));
    const QString after =
        tell([this](const QString &sql) { return sqlClient(db(), sql); }, [this] { return state(); });
    EXPECT_EQ(after, kCancelled);
}

NIMBO_INSTANTIATE_ENGINES(CancelGuards);

class CancelGuardsUpgrade : public EngineTest {
protected:
    Seed seed() const override { return Seed::NoSchema; }
};

TEST_P(CancelGuardsUpgrade, PreviousVersionGainsTheActColumnsAndItsHistoryKeepsThem)
{
    QSqlDatabase c = db().central();
    QString err;
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err, 26)) << err.toStdString();
    EXPECT_FALSE(Schema::columnNames(c, QStringLiteral("Tab_Protocollo"))
                     .contains(QStringLiteral("tab_tipoprovvcancellazione")));
    ASSERT_TRUE(admitProtocolRows(c, &err)) << err.toStdString();
    QSqlQuery q(c);
    // A protocol of the register before the upgrade.
    ASSERT_TRUE(q.exec(QString::fromLatin1(kRow))) << q.lastError().text().toStdString();

    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err)) << err.toStdString();
    for (const char *table : {"Tab_Protocollo", "Tab_Protocollo_Storico"})
        for (const char *column : {"tab_tipoprovvcancellazione", "tab_numeroprovvcancellazione",
                                   "tab_dataprovvcancellazione"})
            EXPECT_TRUE(Schema::columnNames(c, QLatin1String(table)).contains(QLatin1String(column)))
                << table << "." << column;
    EXPECT_FALSE(q.exec(kCancel + kWhere));
    ASSERT_TRUE(q.exec(kCancel + kDate + kReason + kOperator
                       + QStringLiteral(", Tab_TipoProvvCancellazione = 'Delibera', Tab_NumeroProvvCancellazione = '7', "
                                        "Tab_DataProvvCancellazione = '2024-03-01'")
                       + kWhere))
        << q.lastError().text().toStdString();
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_Protocollo SET Tab_NoteCancellazione = 'nota'") + kWhere));
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_TipoProvvCancellazione || '/' || Tab_NumeroProvvCancellazione FROM "
                                      "Tab_Protocollo_Storico ORDER BY ID DESC")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("Delibera/7"));
}

NIMBO_INSTANTIATE_ENGINES(CancelGuardsUpgrade);

// The workstations' role holds UPDATE on the register: the rule is the
// database's, not the program's.
TEST(CancelGuardsWorkstation, TheWorkstationRoleMeetsTheSameRule)
{
    if (TestDb::postgresAdminConnInfo().isEmpty())
        GTEST_SKIP() << "NIMBO_TEST_PG not set";
    TestDb db(Dialect::Engine::PostgreSQL, Seed::Demo);
    ASSERT_TRUE(db.ok()) << db.error().toStdString();
    const QString role = uniqueRole("canc");
    const QByteArray password = "Annulla-2026";
    const AdminResult made = admin(QStringList{QStringLiteral("create-central")} + targetArgs(db)
                                       << QStringLiteral("--role") << role << QStringLiteral("--set-role-password"),
                                   password + '\n');
    ASSERT_EQ(made.status, 0) << made.err.toStdString();
    {
        QSqlQuery q(db.central());
        ASSERT_TRUE(q.exec(QString::fromLatin1(kRow))) << q.lastError().text().toStdString();
    }
    QString conninfo;
    for (const auto &[k, v] : Dialect::parseConnInfo(db.centralTarget().location))
        if (k != QLatin1String("user") && k != QLatin1String("password"))
            conninfo += k + QLatin1Char('=') + v + QLatin1Char(' ');
    conninfo += QStringLiteral("user=") + role;
    const auto asRole = [&](const QString &sql) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGPASSWORD"), QString::fromUtf8(password));
        env.remove(QStringLiteral("PGSERVICEFILE"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-qAt"), QStringLiteral("-v"),
                                         QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"), conninfo,
                                         QStringLiteral("-c"), sql});
        EXPECT_TRUE(p.waitForFinished(60000));
        return ClientResult{p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
                            QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
    };
    const ClientResult who = asRole(QStringLiteral("SELECT current_user"));
    ASSERT_TRUE(who.ok) << who.output.toStdString();
    ASSERT_EQ(who.output.trimmed(), role);
    const QString after = tell(asRole, [&] {
        QSqlQuery q(db.central());
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT Tab_StatoProtocollo || '|' || CAST(Tab_DataCancellazione AS "
                                          "VARCHAR(10)) || '|' || Tab_MotivoCancellazione || '|' || Tab_CodiceOpeCanc "
                                          "|| '|' || Tab_NoteCancellazione FROM Tab_Protocollo")
                           + kWhere)
                    && q.next());
        return q.value(0).toString();
    });
    EXPECT_EQ(after, kCancelled);
    dropRole(db.central(), role);
}

} // namespace
