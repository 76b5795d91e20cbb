// An emergency registration gives one protocol of the general register: the
// key that holds it, and an upgrade over a register where one was recovered
// twice that lists those protocols instead of failing silently or dropping
// any of them.

#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "schema/Schema.h"
#include "support/TestDb.h"

using nimbo::test::EngineTest;
using nimbo::test::Seed;

namespace {

class RecoveredOnce : public EngineTest {
protected:
    Seed seed() const override { return Seed::NoSchema; }
    bool insert(const QString &ente, const QString &direction, const QString &number, const QString &fromRegister,
                const QString &fromNumber, QString *error = nullptr)
    {
        QSqlQuery q(db().central());
        q.prepare(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                                 "Tab_DataProtocollo, Tab_OraProtocollo, Tab_DataRegistrazione, Tab_CodiceOpeReg, "
                                 "Tab_Oggetto, Tab_RegistroTemporaneo, Tab_ProtocolloTemporaneo, Tab_Stampato) VALUES "
                                 "(?, ?, ?, '2024-03-01', '10:00:00', '2024-03-01', 'OP01', 'Recuperato', ?, ?, 'N')"));
        for (const QString &v : {ente, direction, number, fromRegister, fromNumber})
            q.addBindValue(v);
        const bool ok = q.exec();
        if (error)
            *error = q.lastError().text();
        return ok;
    }
};

TEST_P(RecoveredOnce, UpgradeListsTwiceRecoveredRegistrationsAndThenHoldsThemUnique)
{
    QSqlDatabase c = db().central();
    QString err;
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err, 4)) << err.toStdString();
    const QString key = QStringLiteral("2007TABCD001");
    ASSERT_TRUE(insert("ASL1", "E", "20240000001", key, "0000015|14/03/2007", &err)) << err.toStdString();
    ASSERT_TRUE(insert("ASL1", "E", "20240000002", key, "0000015|14/03/2007", &err)) << err.toStdString();
    ASSERT_TRUE(insert("ASL1", "E", "20240000003", key, "0000016|14/03/2007", &err)) << err.toStdString();
    // Another body's, and ordinary protocols (blanks), are no twins.
    ASSERT_TRUE(insert("ASL2", "E", "20240000001", key, "0000015|14/03/2007", &err)) << err.toStdString();
    ASSERT_TRUE(insert("ASL1", "U", "20240000004", " ", "", &err)) << err.toStdString();
    ASSERT_TRUE(insert("ASL1", "U", "20240000005", " ", "", &err)) << err.toStdString();

    EXPECT_FALSE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err));
    EXPECT_TRUE(err.contains(QStringLiteral("ente ASL1, registro di emergenza 2007TABCD001, numero 0000015|14/03/2007: "
                                            "E N. 20240000001, E N. 20240000002")))
        << err.toStdString();
    EXPECT_FALSE(err.contains(QStringLiteral("ASL2"))) << err.toStdString();
    EXPECT_FALSE(err.contains(QStringLiteral("0000016"))) << err.toStdString();
    EXPECT_EQ(Schema::version(c), 4);
    QSqlQuery q(c);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 6);

    // Put right by hand, then upgraded: a twin is refused from then on.
    ASSERT_TRUE(q.exec(QStringLiteral("DELETE FROM Tab_Protocollo WHERE Tab_NumeroProtocollo = '20240000002' AND "
                                      "Tab_Ente = 'ASL1'")));
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err)) << err.toStdString();
    EXPECT_EQ(Schema::version(c), Schema::currentVersion(Schema::Kind::Central));
    ASSERT_TRUE(q.exec(Dialect::engineOf(c) == Dialect::Engine::PostgreSQL
                           ? QStringLiteral("SELECT indexdef FROM pg_indexes WHERE indexname = 'ux_tab_protocollo_emergenza'")
                           : QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'ux_tab_protocollo_emergenza'"))
                && q.next());
    EXPECT_TRUE(q.value(0).toString().contains(QStringLiteral("UNIQUE"), Qt::CaseInsensitive)) << q.value(0).toString().toStdString();
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(RecoveredOnce);
