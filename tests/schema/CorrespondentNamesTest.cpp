// Each protocol's copy of its correspondents' names follows every write
// that changes them (the protocol's own correspondent, its further
// recipients, a rename in the address book) on both engines, never leaves a
// history row behind, and is filled in for the protocols of an older
// register.

#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "schema/Schema.h"
#include "support/TestDb.h"

using namespace nimbo::test;

namespace {

const char *kRow = "INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataProtocollo, "
                   "Tab_OraProtocollo, Tab_DataRegistrazione, Tab_CodiceOpeReg, Tab_Oggetto, Tab_RegistroTemporaneo, "
                   "Tab_Stampato, Tab_Intestatario) VALUES ('001','U','20240000001','2024-03-01','10:00:00','2024-03-01',"
                   "'OP01','Lettera',' ','N',1)";

void exec(QSqlDatabase c, const QString &sql)
{
    QSqlQuery q(c);
    ASSERT_TRUE(q.exec(sql)) << q.lastError().text().toStdString() << " " << sql.toStdString();
}

// The names held, one per line, sorted: the order of the further
// recipients is not the point.
QString names(QSqlDatabase c)
{
    QSqlQuery q(c);
    EXPECT_TRUE(q.exec(QStringLiteral("SELECT Tab_NomiCorrispondenti FROM Tab_Protocollo WHERE Tab_NumeroProtocollo = "
                                      "'20240000001'"))
                && q.next())
        << q.lastError().text().toStdString();
    QStringList lines = q.value(0).toString().split(QLatin1Char('\n'));
    const QString main = lines.takeFirst();
    lines.sort();
    return (QStringList{main} + lines).join(QLatin1Char('|'));
}

int historyRows(QSqlDatabase c)
{
    QSqlQuery q(c);
    EXPECT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo_Storico")) && q.next());
    return q.value(0).toInt();
}

void addressBook(QSqlDatabase c)
{
    for (const char *row : {"(1,'001','Comune di Roma')", "(2,'001','Rossi Mario')", "(3,'001','ASL Uno')",
                            "(4,'002','Altro ente')"})
        exec(c, QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione) VALUES ")
                    + QLatin1String(row));
}

QString recipient(int id)
{
    return QStringLiteral("INSERT INTO Tab_ProtocolloDestinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                          "Tab_MittDest, Tab_principale) VALUES ('001','U','20240000001',%1,'N')")
        .arg(id);
}

class CorrespondentNames : public EngineTest {};

TEST_P(CorrespondentNames, FollowTheProtocolItsRecipientsAndTheAddressBookWithoutHistory)
{
    QSqlDatabase c = db().central();
    ASSERT_TRUE(admitProtocolRows(c));
    addressBook(c);
    exec(c, QString::fromLatin1(kRow));
    const int history = historyRows(c);
    EXPECT_EQ(names(c), QStringLiteral("Comune di Roma"));

    exec(c, recipient(2));
    exec(c, recipient(3));
    EXPECT_EQ(names(c), QStringLiteral("Comune di Roma|ASL Uno|Rossi Mario"));

    exec(c, QStringLiteral("UPDATE Tab_ProtocolloDestinatari SET Tab_MittDest = 1 WHERE Tab_MittDest = 3"));
    EXPECT_EQ(names(c), QStringLiteral("Comune di Roma|Comune di Roma|Rossi Mario"));
    exec(c, QStringLiteral("DELETE FROM Tab_ProtocolloDestinatari WHERE Tab_MittDest = 1"));
    EXPECT_EQ(names(c), QStringLiteral("Comune di Roma|Rossi Mario"));

    // A rename reaches the protocols naming the entry either way; another
    // body's entry of the same number is not theirs.
    exec(c, QStringLiteral("UPDATE Tab_Rubrica SET Tab_Denominazione = 'Rossi Maria' WHERE Tab_Identificativo = 2"));
    exec(c, QStringLiteral("UPDATE Tab_Rubrica SET Tab_Denominazione = 'Roma Capitale' WHERE Tab_Identificativo = 1 "
                           "AND Tab_EnteRubrica = '001'"));
    exec(c, QStringLiteral("UPDATE Tab_Rubrica SET Tab_Denominazione = 'Estraneo' WHERE Tab_EnteRubrica = '002'"));
    EXPECT_EQ(names(c), QStringLiteral("Roma Capitale|Rossi Maria"));
    // A protocol naming an entry not written yet gets it when it is.
    exec(c, QStringLiteral("DELETE FROM Tab_Rubrica WHERE Tab_Identificativo = 2"));
    EXPECT_EQ(names(c), QStringLiteral("Roma Capitale"));
    exec(c, QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione) VALUES "
                           "(2, '001', 'Rossi Maria')"));
    EXPECT_EQ(names(c), QStringLiteral("Roma Capitale|Rossi Maria"));

    exec(c, QStringLiteral("UPDATE Tab_Protocollo SET Tab_Intestatario = 3 WHERE Tab_NumeroProtocollo = '20240000001'"));
    EXPECT_EQ(names(c), QStringLiteral("ASL Uno|Rossi Maria"));
    exec(c, QStringLiteral("UPDATE Tab_Protocollo SET Tab_Intestatario = NULL WHERE Tab_NumeroProtocollo = '20240000001'"));
    EXPECT_EQ(names(c), QStringLiteral("|Rossi Maria"));
    exec(c, QStringLiteral("DELETE FROM Tab_ProtocolloDestinatari"));
    EXPECT_EQ(names(c), QString());

    // Only the change of the correspondent itself is the protocol's history.
    EXPECT_EQ(historyRows(c), history + 2);
}

NIMBO_INSTANTIATE_ENGINES(CorrespondentNames);

class CorrespondentNamesUpgrade : public EngineTest {
protected:
    Seed seed() const override { return Seed::NoSchema; }
};

TEST_P(CorrespondentNamesUpgrade, ProtocolsOfAnOlderRegisterGetTheirNames)
{
    QSqlDatabase c = db().central();
    QString err;
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err, 31)) << err.toStdString();
    ASSERT_TRUE(admitProtocolRows(c, &err)) << err.toStdString();
    addressBook(c);
    exec(c, QString::fromLatin1(kRow));
    exec(c, recipient(2));
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err)) << err.toStdString();
    EXPECT_EQ(names(c), QStringLiteral("Comune di Roma|Rossi Mario"));
    exec(c, recipient(3));
    EXPECT_EQ(names(c), QStringLiteral("Comune di Roma|ASL Uno|Rossi Mario"));
}

NIMBO_INSTANTIATE_ENGINES(CorrespondentNamesUpgrade);

} // namespace
