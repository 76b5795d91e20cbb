// Every register lists the code tables from its creation; an upgrade adds
// what is missing and keeps what is there.

#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "schema/MaintainedTables.h"
#include "support/TestDb.h"

using namespace nimbo::test;

namespace {

class MaintainedTables : public EngineTest {
protected:
    QStringList rows()
    {
        QStringList out;
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT Tab_Codice, Tab_NomeTabella FROM Tab_Tabelle ORDER BY Tab_Codice")));
        while (q.next())
            out << q.value(0).toString() + QLatin1Char(' ') + q.value(1).toString().trimmed();
        return out;
    }
};

TEST_P(MaintainedTables, MissingRowsAreAddedOnceAndRowsThereAreKept)
{
    QSqlDatabase c = db().central();
    QSqlQuery q(c);
    // An older register: its own row on code 1, the regions on 9 in lower case.
    ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO Tab_Tabelle (Tab_Codice, Tab_NomeTabella, Tab_Descrizione) VALUES "
                                      "(1, 'TAB_ALTRO', 'Altro'), (9, ' tab_regioni ', 'Le regioni')")));
    QString error;
    int added = -1;
    ASSERT_TRUE(Schema::fillMaintainedTables(c, &error, &added)) << error.toStdString();
    EXPECT_EQ(added, 5);
    EXPECT_EQ(rows(), (QStringList{"1 TAB_ALTRO", "2 TAB_MOTIVO_CANCELLA", "3 TAB_MOTIVO_REGTEMP", "4 TAB_TIPOUTENZA",
                                   "5 TAB_PROVINCIE", "9 tab_regioni", "10 TAB_TIPODOCUMENTO"}));
    ASSERT_TRUE(Schema::fillMaintainedTables(c, &error, &added)) << error.toStdString();
    EXPECT_EQ(added, 0);
    EXPECT_EQ(rows().size(), 7);
}

NIMBO_INSTANTIATE_ENGINES(MaintainedTables);

TEST(MaintainedTablesAdmin, ANewRegisterListsEveryCodeTable)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("central.sqlite"));
    QProcess p;
    p.start(QStringLiteral(NIMBO_ADMIN_PATH), {QStringLiteral("create-central"), QStringLiteral("--sqlite"), file});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maintained"));
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_NomeTabella, Tab_Descrizione FROM Tab_Tabelle ORDER BY Tab_Codice")));
        QStringList names;
        while (q.next())
            names << q.value(0).toString();
        EXPECT_EQ(names, (QStringList{"TAB_TIPODOCUMENTO", "TAB_MOTIVO_CANCELLA", "TAB_MOTIVO_REGTEMP", "TAB_TIPOUTENZA",
                                      "TAB_PROVINCIE", "TAB_REGIONI"}));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("maintained"));
}

} // namespace
