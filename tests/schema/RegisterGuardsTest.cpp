// The register defends itself against plain SQL sent by the engines' own
// command-line clients, and an upgrade over a register that already breaks
// a rule lists the rows instead of failing silently.

#include <QDate>
#include <QSqlError>
#include <QTime>
#include <cstdlib>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "data/Dialect.h"
#include "schema/Schema.h"
#include "SqlClient.h"
#include "support/TestDb.h"

using nimbo::test::EngineTest;
using nimbo::test::Seed;

namespace {

using nimbo::test::ClientResult;

class RegisterGuards : public EngineTest {
protected:
    ClientResult client(const QString &sql) { return nimbo::test::sqlClient(db(), sql); }
    QString row(const QString &number)
    {
        QSqlQuery q(db().central());
        q.exec(QStringLiteral("SELECT Tab_Ente || Tab_TipoProtocollo || '|' || Tab_DataProtocollo || '|' || "
                              "Tab_OraProtocollo || '|' || Tab_CodiceOpeReg || '|' || Tab_StatoProtocollo || '|' || "
                              "Tab_RegistroTemporaneo FROM Tab_Protocollo WHERE Tab_NumeroProtocollo = '")
               + number + QLatin1Char('\''));
        return q.next() ? q.value(0).toString() : QStringLiteral("<none>");
    }
};

const char *kInsert = "INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                      "Tab_DataProtocollo, Tab_OraProtocollo, Tab_DataRegistrazione, Tab_CodiceOpeReg, "
                      "Tab_Oggetto, Tab_RegistroTemporaneo, Tab_Stampato) VALUES ";

TEST_P(RegisterGuards, PlainSqlCannotDeleteOrRewriteWhatRegistrationFixed)
{
    const QString insert = QString::fromLatin1(kInsert);
    ASSERT_TRUE(client(insert + "('ASL1','E','20240000001','2024-03-01','10:00:00','2024-03-01','OP01','Lettera',' ','N')").ok);
    const QString original = row(QStringLiteral("20240000001"));
    ASSERT_EQ(original, QStringLiteral("ASL1E|2024-03-01|10:00:00|OP01|A| "));

    const QString where = QStringLiteral(" WHERE Tab_NumeroProtocollo = '20240000001'");
    const QString upd = QStringLiteral("UPDATE Tab_Protocollo SET ");
    const struct {
        QString sql;
        bool passes;
        const char *says; // part of the refusal
    } cases[] = {
        {QStringLiteral("DELETE FROM Tab_Protocollo") + where, false, "non può essere eliminato"},
        {QStringLiteral("DELETE FROM Tab_Protocollo"), false, "non può essere eliminato"},
        {upd + "Tab_NumeroProtocollo = '20240000002'" + where, false, "Tab_NumeroProtocollo"},
        {upd + "Tab_Ente = 'ASL2'" + where, false, "Tab_Ente"},
        {upd + "Tab_DataProtocollo = '2024-03-02'" + where, false, "Tab_DataProtocollo"},
        {upd + "Tab_OraProtocollo = '11:00:00'" + where, false, "Tab_OraProtocollo"},
        {upd + "Tab_DataRegistrazione = NULL" + where, false, "Tab_DataRegistrazione"},
        {upd + "Tab_CodiceOpeReg = 'OP09'" + where, false, "Tab_CodiceOpeReg"},
        {upd + "Tab_TipoProtocollo = 'X'" + where, false, "Tab_TipoProtocollo"},
        {upd + "Tab_Stampato = 'Z'" + where, false, "Tab_Stampato"},
        {upd + "Tab_SoggPrivacy = 's'" + where, false, "Tab_SoggPrivacy"},
        {insert + "('ASL1','U','20240000001','2024-03-01','10:00:00','2024-03-01','OP01','Stesso numero',' ','N')",
         false, ""},
        {insert + "('ASL1','U','2024000002','2024-03-01','10:00:00','2024-03-01','OP01','Dieci cifre',' ','N')", false,
         "11 cifre"},
        {insert + "('ASL1','U','2024000000X','2024-03-01','10:00:00','2024-03-01','OP01','Lettera',' ','N')", false,
         "11 cifre"},
        {insert + "('ASL1','U','20240000003','2024-03-01','10:00:00','2024-03-01','OP01','Stampa',' ','Q')", false,
         "Tab_Stampato"},
        // What stays open: corrections, the direction (inverted through every
        // table of the protocol), a first emergency number, the cancellation.
        {upd + "Tab_Oggetto = 'Lettera corretta', Tab_Stampato = 'S'" + where, true, ""},
        {upd + "Tab_TipoProtocollo = 'U'" + where, true, ""},
        {upd + "Tab_TipoProtocollo = 'E'" + where, true, ""},
        {upd + "Tab_RegistroTemporaneo = '2024C0001001'" + where, true, ""},
        {upd + "Tab_RegistroTemporaneo = '2024C0001002'" + where, false, "Tab_RegistroTemporaneo"},
        {upd + "Tab_StatoProtocollo = 'C'" + where, false, "Tab_DataCancellazione"},
        {upd + "Tab_StatoProtocollo = 'C', Tab_DataCancellazione = '2024-03-02', Tab_MotivoCancellazione = '01', "
                "Tab_CodiceOpeCanc = 'OP02'" + where,
         true, ""},
        {upd + "Tab_StatoProtocollo = 'A'" + where, false, "annullato non può tornare attivo"},
        {upd + "Tab_StatoProtocollo = NULL" + where, false, "Tab_StatoProtocollo"},
    };
    for (const auto &c : cases) {
        const ClientResult r = client(c.sql);
        EXPECT_EQ(r.ok, c.passes) << c.sql.toStdString() << "\n" << r.output.toStdString();
        EXPECT_TRUE(r.output.contains(QString::fromUtf8(c.says))) << c.sql.toStdString() << "\n" << r.output.toStdString();
    }
    if (db().engine() == Dialect::Engine::PostgreSQL) {
        const ClientResult r = client(QStringLiteral("TRUNCATE Tab_Protocollo"));
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.output.contains(QStringLiteral("non può essere svuotato"))) << r.output.toStdString();
    }
    EXPECT_EQ(row(QStringLiteral("20240000001")), QStringLiteral("ASL1E|2024-03-01|10:00:00|OP01|C|2024C0001001"));
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
}

TEST_P(RegisterGuards, ProtocolRowsComeOnlyFromRegistrationAndEveryChangeLeavesItsHistory)
{
    ASSERT_TRUE(nimbo::test::closeProtocolAdmissions(db().central()));
    const bool pg = db().engine() == Dialect::Engine::PostgreSQL;
    const QString today = pg ? QStringLiteral("CURRENT_DATE") : QStringLiteral("date('now', 'localtime')");
    const QString time = pg ? QStringLiteral("to_char(LOCALTIMESTAMP, 'HH24:MI:SS')")
                            : QStringLiteral("strftime('%H:%M:%S', 'now', 'localtime')");
    const int year = QDate::currentDate().year();
    auto number = [year](int n) { return QStringLiteral("%1%2").arg(year).arg(n, 7, 10, QLatin1Char('0')); };
    // The counter's last numbers: 5 incoming, 3 outgoing.
    ASSERT_TRUE(client(QStringLiteral("INSERT INTO TAB_STARTPROTOCOLLO (Tab_CodiceEnte, Tab_AnnoProtocollo, "
                                      "Tab_ProtocolloEntrata, tab_protocolloUscita) VALUES ('ASL1', %1, 5, 3)")
                           .arg(year))
                    .ok);
    const QString insert = QString::fromLatin1(kInsert);
    auto row = [&](const QString &n, const QString &date, const QString &at, const QString &op) {
        return QStringLiteral("('ASL1','E','%1',%2,%3,%2,'%4','Lettera',' ','N')").arg(n, date, at, op);
    };
    const struct {
        QString sql;
        const char *says;
    } refused[] = {
        // Ahead of the counter: the next registration would meet it.
        {insert + row(number(6), today, time, QStringLiteral("OP01")), "contatore dei protocolli"},
        {insert + row(number(9), today, time, QStringLiteral("OP01")), "contatore dei protocolli"},
        // Backdated, by another operator, with a number of its own year.
        {insert + row(QStringLiteral("20150000001"), QStringLiteral("'2015-06-01'"), QStringLiteral("'10:00:00'"),
                      QStringLiteral("OP09")),
         "contatore dei protocolli"},
        // The counter's number but another day, or another time of day.
        {QStringLiteral("UPDATE TAB_STARTPROTOCOLLO SET Tab_ProtocolloEntrata = 6; ") + insert
             + row(number(6), QStringLiteral("'%1-01-01'").arg(year - 1), time, QStringLiteral("OP01")),
         "data e l'ora del database"},
        {QStringLiteral("UPDATE TAB_STARTPROTOCOLLO SET Tab_ProtocolloEntrata = 6; ") + insert
             + row(number(6), today, QTime::currentTime().addSecs(3 * 3600).toString(QStringLiteral("''hh:mm:ss''")),
                   QStringLiteral("OP01")),
         "data e l'ora del database"},
    };
    for (const auto &c : refused) {
        const ClientResult r = client(QStringLiteral("BEGIN; ") + c.sql + QStringLiteral("; COMMIT;"));
        EXPECT_FALSE(r.ok) << c.sql.toStdString();
        EXPECT_TRUE(r.output.contains(QString::fromUtf8(c.says))) << c.sql.toStdString() << "\n" << r.output.toStdString();
    }
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 0);
    // What a registration does passes: the counter raised and its number
    // taken, dated now, in one transaction.
    const ClientResult registered =
        client(QStringLiteral("BEGIN; UPDATE TAB_STARTPROTOCOLLO SET Tab_ProtocolloEntrata = 6; ") + insert
               + row(number(6), today, time, QStringLiteral("OP01")) + QStringLiteral("; COMMIT;"));
    ASSERT_TRUE(registered.ok) << registered.output.toStdString();
    // A number admitted by the owner enters with the date it is given.
    ASSERT_TRUE(client(QStringLiteral("INSERT INTO Tab_Protocollo_Ammissioni (Amm_Ente, Amm_NumeroProtocollo, "
                                      "Amm_Motivo) VALUES ('ASL1', '20150000001', 'recupero')"))
                    .ok);
    const ClientResult admitted = client(insert + row(QStringLiteral("20150000001"), QStringLiteral("'2015-06-01'"),
                                                      QStringLiteral("'11:00:00'"), QStringLiteral("OP01")));
    EXPECT_TRUE(admitted.ok) << admitted.output.toStdString();
    EXPECT_FALSE(client(insert + row(QStringLiteral("20150000002"), QStringLiteral("'2015-06-01'"),
                                     QStringLiteral("'11:00:00'"), QStringLiteral("OP01")))
                     .ok);

    // Every change by plain SQL leaves the row as it was, dated by the
    // database and signed by the new last writer; a change of the writer
    // alone is no change.
    const QString where = QStringLiteral(" WHERE Tab_NumeroProtocollo = '%1'").arg(number(6));
    ASSERT_TRUE(client(QStringLiteral("UPDATE Tab_Protocollo SET Tab_Oggetto = 'Riscritta', Tab_CodOper = 'OP02'")
                       + where)
                    .ok);
    ASSERT_TRUE(client(QStringLiteral("UPDATE Tab_Protocollo SET Tab_CodOper = 'OP03'") + where).ok);
    ASSERT_TRUE(client(QStringLiteral("UPDATE Tab_Protocollo SET Tab_Annotazioni = 'Nota'") + where).ok);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_Oggetto, Tab_Annotazioni, Tab_OperatoreModifica, Tab_DataModifica, "
                                      "Tab_OraModifica FROM Tab_Protocollo_Storico WHERE Tab_NumeroProtocollo = '%1' "
                                      "ORDER BY ID")
                           .arg(number(6))));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString() + QLatin1Char('|') + q.value(1).toString() + QLatin1Char('|') + q.value(2).toString(),
              QStringLiteral("Lettera||OP02"));
    EXPECT_EQ(q.value(3).toDate(), QDate::currentDate());
    EXPECT_LE(std::abs(QTime::fromString(q.value(4).toString(), QStringLiteral("hh:mm:ss"))
                           .secsTo(QTime::currentTime())),
              120);
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString() + QLatin1Char('|') + q.value(1).toString() + QLatin1Char('|') + q.value(2).toString(),
              QStringLiteral("Riscritta||OP03"));
    EXPECT_FALSE(q.next());
}

class RegisterGuardsUpgrade : public RegisterGuards {
protected:
    Seed seed() const override { return Seed::NoSchema; }
};

TEST_P(RegisterGuardsUpgrade, UpgradeListsTheRowsThatBreakARuleAndAppliesOnceTheyAreRight)
{
    QSqlDatabase c = db().central();
    QString err;
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err, 4)) << err.toStdString();
    QSqlQuery q(c);
    const QString insert = QString::fromLatin1(kInsert);
    // A lagging counter gave an incoming and an outgoing protocol the same
    // number; a hand fix left a state that means nothing.
    ASSERT_TRUE(q.exec(insert + "('ASL1','E','20240000007','2024-03-01','10:00:00','2024-03-01','OP01','Uno',' ','N'), "
                                "('ASL1','U','20240000007','2024-03-01','10:01:00','2024-03-01','OP01','Due',' ','N'), "
                                "('ASL1','E','20240000008','2024-03-01','10:02:00','2024-03-01','OP01','Tre',' ','N'), "
                                "('ASL2','E','20240000007','2024-03-01','10:02:00','2024-03-01','OP01','Altro ente',' ','N')"))
        << q.lastError().text().toStdString();
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_Protocollo SET Tab_StatoProtocollo = 'X' WHERE "
                                      "Tab_NumeroProtocollo = '20240000008'")));

    EXPECT_FALSE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err));
    EXPECT_TRUE(err.contains(QStringLiteral("ente ASL1, E N. 20240000007"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("ente ASL1, U N. 20240000007"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("ente ASL1, E N. 20240000008: Valore non ammesso in Tab_StatoProtocollo")))
        << err.toStdString();
    EXPECT_FALSE(err.contains(QStringLiteral("ASL2"))) << err.toStdString();
    EXPECT_EQ(Schema::version(c), 4);

    // Put right by hand (still possible before the guards), then upgraded.
    ASSERT_TRUE(q.exec(QStringLiteral("DELETE FROM Tab_Protocollo WHERE Tab_TipoProtocollo = 'U'")));
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_Protocollo SET Tab_StatoProtocollo = 'A'")));
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err)) << err.toStdString();
    EXPECT_EQ(Schema::version(c), Schema::currentVersion(Schema::Kind::Central));
    EXPECT_FALSE(client(insert + "('ASL1','U','20240000007','2024-03-01','10:01:00','2024-03-01','OP01','Due',' ','N')").ok);
    EXPECT_FALSE(client(QStringLiteral("DELETE FROM Tab_Protocollo")).ok);
    // Running the upgrade again changes nothing and keeps the guards.
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err)) << err.toStdString();
    EXPECT_FALSE(client(QStringLiteral("UPDATE Tab_Protocollo SET Tab_OraProtocollo = '00:00:00'")).ok);
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(RegisterGuards);
NIMBO_INSTANTIATE_ENGINES(RegisterGuardsUpgrade);
