// The demo content is what a newcomer logs in with: it must be complete
// enough to register at once and must survive being loaded again.

#include <QSqlQuery>
#include <gtest/gtest.h>

#include "data/Password.h"
#include "schema/DemoData.h"
#include "support/TestDb.h"

using namespace nimbo::test;

namespace {

class DemoData : public EngineTest {
protected:
    Seed seed() const override { return Seed::Demo; }
    int count(const char *sql)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(QString::fromLatin1(sql)) && q.next()) << sql;
        return q.value(0).toInt();
    }
};

TEST_P(DemoData, CoversEveryLevelAndTheRowsRegistrationNeedsAndLoadsTwiceWithoutChange)
{
    QSqlQuery q(db().central());
    for (const auto &op : Schema::demoOperators()) {
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT Op_Password, Op_Livello FROM Tab_Operatori WHERE Op_Codice_Operatore = '")
                           + op.code + QLatin1Char('\'')));
        ASSERT_TRUE(q.next()) << op.code.toStdString();
        EXPECT_TRUE(Password::verify(op.password, q.value(0).toString())) << op.code.toStdString();
        EXPECT_EQ(q.value(1).toInt(), op.level);
    }
    EXPECT_EQ(count("SELECT COUNT(DISTINCT Op_Livello) FROM Tab_Operatori WHERE Op_Livello IN ('6','7','8','9')"), 4);
    EXPECT_GE(count("SELECT COUNT(*) FROM Tab_Operatori WHERE Op_AbilPrivacy = 'S'"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM Tab_Parm_Gen"), 1);
    EXPECT_GE(count("SELECT COUNT(*) FROM Tab_Dipartimenti WHERE Dipa_Chiuso = 'SI'"), 1);
    EXPECT_GE(count("SELECT COUNT(*) FROM Tab_Dipartimenti WHERE Dipa_Chiuso = 'NO'"), 2);
    EXPECT_GE(count("SELECT COUNT(*) FROM Tab_Uffici WHERE Tab_Chiuso = 'SI'"), 1);
    EXPECT_GE(count("SELECT COUNT(*) FROM Tab_UfficiComponenti"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM Tab_Provincie WHERE Prv_Sigla_Auto = 'PZ'"), 1);
    EXPECT_GE(count("SELECT COUNT(*) FROM Tab_Rubrica"), 24);
    EXPECT_EQ(count("SELECT COUNT(*) FROM Tab_TipoMovimento WHERE Tab_Codice BETWEEN 2 AND 5"), 4);
    EXPECT_GE(count("SELECT COUNT(*) FROM Tab_TipoDocumento"), 1);
    EXPECT_GE(count("SELECT COUNT(*) FROM Tab_Motivo_Cancella"), 1);
    EXPECT_GE(count("SELECT COUNT(*) FROM Tab_Motivo_Regtemp"), 1);
    EXPECT_GE(count("SELECT COUNT(*) FROM Tab_Classe"), 1);
    EXPECT_GE(count("SELECT COUNT(*) FROM Tab_Funzioni"), 10);
    // Notices for the notices window, and one already applied that it never lists.
    EXPECT_EQ(count("SELECT COUNT(*) FROM Prot_Strutture_I WHERE Stato_Acquisizione = '0'"), 2);
    EXPECT_EQ(count("SELECT COUNT(*) FROM Prot_Strutture_I WHERE Stato_Acquisizione = '2'"), 1);
    // The database recorded the activation of every demo department and office.
    EXPECT_EQ(count("SELECT COUNT(*) FROM Tab_Dipartimenti_Storico WHERE DipaS_TipoOperazione = 'A'"),
              count("SELECT COUNT(*) FROM Tab_Dipartimenti"));
    EXPECT_EQ(count("SELECT COUNT(*) FROM Tab_Uffici_Storico WHERE Tab_TipoOperazione = 'A'"),
              count("SELECT COUNT(*) FROM Tab_Uffici"));
    // The register itself starts empty: the first registration is number 1.
    EXPECT_EQ(count("SELECT COUNT(*) FROM Tab_Protocollo"), 0);

    // An edited row is kept by a second load, and nothing is added.
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_TipoDocumento SET Tab_Descrizione = 'LETTERA MODIFICATA' WHERE Tab_Codice = 'LET'")));
    QSqlDatabase c = db().central();
    QString err;
    int added = -1;
    ASSERT_TRUE(Schema::loadDemo(c, &err, &added)) << err.toStdString();
    EXPECT_EQ(added, 0);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_Descrizione FROM Tab_TipoDocumento WHERE Tab_Codice = 'LET'")) && q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("LETTERA MODIFICATA"));
}

NIMBO_INSTANTIATE_ENGINES(DemoData);

} // namespace
