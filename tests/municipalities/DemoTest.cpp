// The demo register holds the whole list of municipalities, and every
// address of its own still names one of them.

#include <QSqlQuery>
#include <gtest/gtest.h>

#include "schema/DemoData.h"
#include "support/TestDb.h"

using namespace nimbo::test;

namespace {

class DemoTowns : public EngineTest {
protected:
    Seed seed() const override { return Seed::Demo; }
    QString value(const QString &sql)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(sql) && q.next()) << sql.toStdString();
        return q.value(0).toString();
    }
    // Rows whose municipality column names no municipality.
    int dangling(const char *table, const char *column)
    {
        return value(QStringLiteral("SELECT COUNT(*) FROM %1 t LEFT JOIN Tab_Comuni c ON c.Com_Codcom = t.%2 "
                                    "WHERE c.Com_Codcom IS NULL")
                         .arg(QLatin1String(table), QLatin1String(column)))
            .toInt();
    }
};

TEST_P(DemoTowns, HoldsEveryMunicipalityAndItsAddressesNameRealOnesAfterAnyNumberOfLoads)
{
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM Tab_Comuni")), QStringLiteral("7904"));
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM Tab_Provincie")), QStringLiteral("107"));
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM Tab_Regioni")), QStringLiteral("20"));
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM Tab_ComuniCap")), QStringLiteral("8570"));
    EXPECT_EQ(dangling("Tab_Rubrica", "Tab_ComuneUbicazione"), 0);
    EXPECT_EQ(dangling("Tab_Enti", "Ente_Comune"), 0);
    EXPECT_EQ(dangling("Tab_Dipartimenti", "Dipa_Comune"), 0);
    EXPECT_EQ(dangling("Tab_Uffici", "Tab_Comune"), 0);
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM Tab_Enti e JOIN Tab_Regioni r ON r.Reg_Codreg = "
                                   "e.Ente_Codice_Regione")),
              QStringLiteral("1"));
    // The entries the demo places in Lavello are in Lavello.
    EXPECT_EQ(value(QStringLiteral("SELECT DISTINCT c.com_Comune FROM Tab_Rubrica r JOIN Tab_Comuni c ON "
                                   "c.Com_Codcom = r.Tab_ComuneUbicazione WHERE r.Tab_Identificativo IN (4, 14, 24)")),
              QStringLiteral("Lavello"));

    // Loaded again over a town the operator renamed: nothing added, the
    // operator's name kept.
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_Comuni SET com_Comune = 'POTENZA CITTA' WHERE Com_Codcom = '076063'")));
    QSqlDatabase c = db().central();
    QString error;
    int added = -1;
    ASSERT_TRUE(Schema::loadDemo(c, &error, &added)) << error.toStdString();
    EXPECT_EQ(added, 0);
    EXPECT_EQ(value(QStringLiteral("SELECT com_Comune FROM Tab_Comuni WHERE Com_Codcom = '076063'")),
              QStringLiteral("POTENZA CITTA"));
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM Tab_ComuniCap")), QStringLiteral("8570"));
}

NIMBO_INSTANTIATE_ENGINES(DemoTowns);

} // namespace
