// A paper emergency register's number brought into the general register
// through the protocol server, on both engines: once only, whatever day or
// direction it is typed with, by one clerk or by several processes at once;
// the paper register must be one of the body's; the database's own key
// refuses a twin written by hand; a recovery from an electronic register
// keeps getting its protocol back.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>
#include <memory>

#include "schema/Schema.h"
#include "servers/ManualRequests.h"
#include "support/RegisterTest.h"

namespace {

using namespace nimbo;

const QString kRegister = QStringLiteral("2026CAB01001");

class ManualServer : public test::RegisterTest {
protected:
    void SetUp() override
    {
        RegisterTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        for (int n : {1, 2})
            sql(QStringLiteral("INSERT INTO Tab_AnaRegistriEme (Tab_Ente, Tab_AnnoRegistro, Tab_TipoRegistro, "
                               "Tab_IDRegistro, Tab_NumeroRegistro, Tab_NoteRegistro) VALUES ('%1', '2026', 'C', 'AB01', "
                               "%2, 'Registro cartaceo')")
                    .arg(kEnte)
                    .arg(n));
    }
    void sql(const QString &statement)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(statement)) << statement.toStdString() << " " << q.lastError().text().toStdString();
    }
    QString scalar(const QString &statement)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(statement) && q.next()) << statement.toStdString();
        return q.value(0).toString().trimmed();
    }
    QVariantList bringIn(const QString &direction, const QString &reg, const QString &number)
    {
        ColumnValues columns = test::newProtocolColumns(kEnte, direction, QStringLiteral("Dal registro cartaceo"));
        for (auto &[name, value] : columns) {
            if (name == QLatin1String("Tab_RegistroTemporaneo"))
                value = reg;
            else if (name == QLatin1String("Tab_ProtocolloTemporaneo"))
                value = number;
        }
        QVariantList request = registrationRequest(QStringLiteral("A"), protocolCondition(kEnte, direction, QString()),
                                                   columns, QStringLiteral("OP01"));
        ProtocolServer server(db().centralTarget());
        return server.Elabora(kOpRegistraProtocollo, request);
    }
    QString count() { return scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")); }
};

TEST_P(ManualServer, APaperNumberComesInOnceWhateverTheDayOrDirectionTypedWithIt)
{
    const QVariantList first = bringIn(QStringLiteral("E"), kRegister, QStringLiteral("0000015|14/03/2026"));
    ASSERT_EQ(first.value(0).toString(), QStringLiteral("0")) << first.value(1).toString().toStdString();
    const QString number = first.value(2).toString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_RegistroTemporaneo || '#' || Tab_ProtocolloTemporaneo FROM Tab_Protocollo "
                                    "WHERE Tab_NumeroProtocollo = '")
                     + number + QLatin1Char('\'')),
              kRegister + QStringLiteral("#0000015|14/03/2026"));

    // The same request again, another day, the other direction: each a
    // refusal that says which protocol holds the number, never that protocol
    // handed back as if it had been registered now.
    for (const auto &[direction, typed] : {std::pair{"E", "0000015|14/03/2026"}, std::pair{"E", "0000015|15/03/2026"},
                                           std::pair{"U", "0000015|01/01/2026"}}) {
        const QVariantList again = bringIn(QString::fromLatin1(direction), kRegister, QString::fromLatin1(typed));
        EXPECT_EQ(again.value(0).toString(), kStatusRefused) << typed;
        EXPECT_TRUE(again.value(1).toString().startsWith(kPaperAlreadyIn)) << again.value(1).toString().toStdString();
        EXPECT_TRUE(again.value(1).toString().contains(number.left(4) + QLatin1Char('-') + number.mid(4)))
            << again.value(1).toString().toStdString();
    }
    EXPECT_EQ(count(), QStringLiteral("1"));

    // The same number of another paper register, and another number of the
    // first, are other documents; the refusals took no number.
    const QVariantList other = bringIn(QStringLiteral("U"), QStringLiteral("2026CAB01002"), QStringLiteral("0000015|14/03/2026"));
    ASSERT_EQ(other.value(0).toString(), QStringLiteral("0")) << other.value(1).toString().toStdString();
    EXPECT_EQ(other.value(2).toString().toLongLong(), number.toLongLong() + 1);
    EXPECT_EQ(bringIn(QStringLiteral("E"), kRegister, QStringLiteral("0000016|14/03/2026")).value(0).toString(),
              QStringLiteral("0"));
    EXPECT_EQ(count(), QStringLiteral("3"));

    // A recovery from an electronic register still gets its protocol back.
    const QString session = QStringLiteral("2026TPST1001");
    const QVariantList recovered = bringIn(QStringLiteral("E"), session, QStringLiteral("0000015|14/03/2026"));
    ASSERT_EQ(recovered.value(0).toString(), QStringLiteral("0")) << recovered.value(1).toString().toStdString();
    const QVariantList retried = bringIn(QStringLiteral("E"), session, QStringLiteral("0000015|14/03/2026"));
    EXPECT_EQ(retried.value(0).toString(), QStringLiteral("0"));
    EXPECT_EQ(retried.value(2).toString(), recovered.value(2).toString());
    EXPECT_EQ(count(), QStringLiteral("4"));
}

TEST_P(ManualServer, RefusesARegisterNotCodedOrTextsOutOfShapeBeforeWriting)
{
    const struct {
        const char *reg, *number, *expected;
    } cases[] = {
        {"2026CZZ99001", "0000015|14/03/2026", "IL Registro cartaceo indicato non è stato codificato."},
        {"2026CAB01003", "0000015|14/03/2026", "IL Registro cartaceo indicato non è stato codificato."},
        {"2025CAB01001", "0000015|14/03/2026", "IL Registro cartaceo indicato non è stato codificato."},
        {"2026CAB011", "0000015|14/03/2026", "Tab_RegistroTemporaneo"},
        {"2026Cab01001", "0000015|14/03/2026", "Tab_RegistroTemporaneo"},
        {"2026CAB01001", "15|14/03/2026", "Tab_ProtocolloTemporaneo"},
        {"2026CAB01001", "0000015", "Tab_ProtocolloTemporaneo"},
        {"2026CAB01001", "0000015|31/02/2026", "Tab_ProtocolloTemporaneo"},
        {"2026CAB01001", "0000000|14/03/2026", "Tab_ProtocolloTemporaneo"},
        {"2026CAB01001", "0000015|01/01/2999", "Tab_ProtocolloTemporaneo"},
    };
    for (const auto &c : cases) {
        const QVariantList reply = bringIn(QStringLiteral("E"), QString::fromLatin1(c.reg), QString::fromLatin1(c.number));
        EXPECT_EQ(reply.value(0).toString(), kStatusRefused) << c.reg << " " << c.number;
        EXPECT_TRUE(reply.value(1).toString().contains(QString::fromUtf8(c.expected)))
            << c.reg << " " << c.number << ": " << reply.value(1).toString().toStdString();
    }
    EXPECT_EQ(count(), QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM TAB_STARTPROTOCOLLO WHERE COALESCE(Tab_ProtocolloEntrata, 0) > 0")),
              QStringLiteral("0"));
}

TEST_P(ManualServer, TheDatabaseRefusesATwinOfAPaperNumberWrittenByHand)
{
    const QString insert = QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                                          "Tab_RegistroTemporaneo, Tab_ProtocolloTemporaneo) VALUES ('%1', '%2', '%3', "
                                          "'%4', '%5')");
    sql(insert.arg(kEnte, QStringLiteral("E"), QStringLiteral("20260000001"), kRegister, QStringLiteral("0000015|14/03/2026")));
    QSqlQuery q(db().central());
    EXPECT_FALSE(q.exec(insert.arg(kEnte, QStringLiteral("U"), QStringLiteral("20260000002"), kRegister,
                                   QStringLiteral("0000015|15/03/2026"))));
    // Another body, another paper register, or an electronic session's
    // registrations of two days are not twins.
    sql(insert.arg(QStringLiteral("ALTRO"), QStringLiteral("E"), QStringLiteral("20260000003"), kRegister,
                   QStringLiteral("0000015|15/03/2026")));
    sql(insert.arg(kEnte, QStringLiteral("E"), QStringLiteral("20260000004"), QStringLiteral("2026CAB01002"),
                   QStringLiteral("0000015|15/03/2026")));
    sql(insert.arg(kEnte, QStringLiteral("E"), QStringLiteral("20260000005"), QStringLiteral("2026TPST1001"),
                   QStringLiteral("0000015|14/03/2026")));
    sql(insert.arg(kEnte, QStringLiteral("E"), QStringLiteral("20260000006"), QStringLiteral("2026TPST1001"),
                   QStringLiteral("0000015|15/03/2026")));
    EXPECT_EQ(count(), QStringLiteral("5"));
}

TEST_P(ManualServer, ClerksBringingTheSameNumberInAtOnceGetOneProtocolAndClearRefusals)
{
    constexpr int kWorkers = 6;
    const QString start = QDir(db().folder()).filePath(QStringLiteral("via"));
    std::vector<std::unique_ptr<QProcess>> ps;
    for (int w = 0; w < kWorkers; ++w) {
        auto p = std::make_unique<QProcess>();
        // Each clerk typed another day beside the same paper number.
        p->start(QStringLiteral(NIMBO_MANUAL_WORKER),
                 {db().engine() == Dialect::Engine::PostgreSQL ? QStringLiteral("pg") : QStringLiteral("sqlite"),
                  db().centralTarget().location, kEnte, w % 2 ? QStringLiteral("U") : QStringLiteral("E"), kRegister,
                  QStringLiteral("0000042|%1/03/2026").arg(10 + w), start});
        ASSERT_TRUE(p->waitForStarted());
        ps.push_back(std::move(p));
    }
    QFile go(start);
    ASSERT_TRUE(go.open(QIODevice::WriteOnly));
    go.close();
    int registered = 0, refused = 0;
    for (auto &p : ps) {
        ASSERT_TRUE(p->waitForFinished(60000));
        const QString line = QString::fromUtf8(p->readAllStandardOutput()).trimmed();
        EXPECT_EQ(p->exitCode(), 0) << line.toStdString() << p->readAllStandardError().toStdString();
        if (line.startsWith(QLatin1String("0 ")))
            ++registered;
        else if (line.startsWith(kStatusRefused + QLatin1Char(' ') + kPaperAlreadyIn))
            ++refused;
        else
            ADD_FAILURE() << line.toStdString();
    }
    EXPECT_EQ(registered, 1);
    EXPECT_EQ(refused, kWorkers - 1);
    EXPECT_EQ(count(), QStringLiteral("1"));
}

NIMBO_INSTANTIATE_ENGINES(ManualServer);

// A register that already holds a paper number twice cannot take the key:
// the upgrade stops and names the protocols instead.
class ManualUpgrade : public test::EngineTest {};

TEST_P(ManualUpgrade, StopsOnAPaperNumberAlreadyBroughtInTwiceAndNamesTheProtocols)
{
    test::TestDb old(GetParam(), test::Seed::NoSchema);
    ASSERT_TRUE(old.ok()) << old.error().toStdString();
    QSqlDatabase central = old.central();
    QString error;
    ASSERT_TRUE(Schema::createOrUpgrade(central, Schema::Kind::Central, &error, 26)) << error.toStdString();
    ASSERT_TRUE(test::admitProtocolRows(central, &error)) << error.toStdString();
    QSqlQuery q(central);
    ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                                      "Tab_RegistroTemporaneo, Tab_ProtocolloTemporaneo) VALUES ('ASL1', 'E', '20260000001', "
                                      "'2026CAB01001', '0000015|14/03/2026'), ('ASL1', 'U', '20260000002', "
                                      "'2026CAB01001', '0000015|15/03/2026')")))
        << q.lastError().text().toStdString();
    EXPECT_FALSE(Schema::createOrUpgrade(central, Schema::Kind::Central, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("protocollo E N. 20260000001"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("protocollo U N. 20260000002"))) << error.toStdString();
    EXPECT_EQ(Schema::version(central, nullptr), 26);
}

NIMBO_INSTANTIATE_ENGINES(ManualUpgrade);

} // namespace
