// The deadlines in force kept by the database follow every write that
// changes them, whoever makes it (a correction of the subject too), and a
// register upgraded from before they were kept starts with them filled.

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

#include "DeadlineFixture.h"
#include "schema/Schema.h"

using namespace nimbo;
using namespace nimbo::test;

namespace {

class DeadlineKeeper : public DeadlineData {
protected:
    // The kept rows of a protocol: "office deadline-day", sorted.
    QString kept(int n)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(s("SELECT Tab_Ufficio, Tab_Dipartimento, Tab_DataEvasione, Tab_TipoProtocollo FROM "
                             "Tab_ScadenzeInCorso WHERE Tab_Ente = '001' AND Tab_NumeroProtocollo = '%1' "
                             "ORDER BY Tab_Ufficio").arg(number(n))));
        QStringList out;
        while (q.next())
            out << q.value(3).toString() + QLatin1Char(' ') + q.value(0).toString() + QLatin1Char('/')
                       + q.value(1).toString() + QLatin1Char(' ') + q.value(2).toString().left(10);
        return out.join(QStringLiteral(", "));
    }
    // The subject and privacy kept beside the protocol's deadlines.
    QString subjectKept(int n)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(s("SELECT DISTINCT Tab_Oggetto, Tab_SoggPrivacy FROM Tab_ScadenzeInCorso WHERE Tab_Ente = "
                             "'001' AND Tab_NumeroProtocollo = '%1'").arg(number(n))));
        QStringList out;
        while (q.next())
            out << q.value(0).toString() + QLatin1Char('|') + q.value(1).toString();
        return out.join(QStringLiteral(", "));
    }
    QString on(const QString &office, int days, const char *dir = "E", const char *dept = "PRO")
    {
        return s("%1 %2/%3 %4").arg(s(dir), office, s(dept), today().addDays(days).toString(Qt::ISODate));
    }
};

} // namespace

TEST_P(DeadlineKeeper, FollowsPostponementsRemovalsCompletionAndAssignments)
{
    matter(1, 1, s("PRATICA 1"));
    matter(2, 1, s("PRATICA 2"), false, s("U"));
    assign(1, s("20240103090000"), s("UPR"), today().addDays(3));
    EXPECT_EQ(kept(1), on(s("UPR"), 3));
    // A copy for information holds nothing; a second competent office does.
    exec(s("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataSerialeMov, "
           "Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione) VALUES ('001', 'E', ?, '20240103090000', "
           "'ARC', 0, 2), ('001', 'E', ?, '20240103090000', 'RAG', 0, 1), ('001', 'E', ?, '20240103090000', 'RAG', 1, 1)"),
         {number(1), number(1), number(1)});
    EXPECT_EQ(kept(1), on(s("RAG"), 3, "E", "AMM") + s(", ") + on(s("UPR"), 3));

    // Postponed twice, then the last postponement removed: back to the
    // first; the initial row removed too: back to the assignment's own.
    const qlonglong first = postpone(1, today().addDays(6), 0);
    const qlonglong second = postpone(1, today().addDays(9));
    EXPECT_EQ(kept(1), on(s("RAG"), 9, "E", "AMM") + s(", ") + on(s("UPR"), 9));
    exec(s("DELETE FROM Tab_ProScadenza WHERE Tab_ProgrScadenze = ?"), {second});
    EXPECT_EQ(kept(1), on(s("RAG"), 6, "E", "AMM") + s(", ") + on(s("UPR"), 6));
    exec(s("DELETE FROM Tab_ProScadenza WHERE Tab_ProgrScadenze = ?"), {first});
    EXPECT_EQ(kept(1), on(s("RAG"), 3, "E", "AMM") + s(", ") + on(s("UPR"), 3));
    // The deadline of the assignment changed by its re-send.
    exec(s("UPDATE Tab_Iter_Documento SET Tab_DataEvasione = ? WHERE Tab_NumeroProtocollo = ? AND Tab_TipoMovimento = 4"),
         {today().addDays(4), number(1)});
    EXPECT_EQ(kept(1), on(s("RAG"), 4, "E", "AMM") + s(", ") + on(s("UPR"), 4));

    // A new assignment replaces the earlier one; a transmission does not.
    movement(1, s("20240105090000"), 2, s("RAG"), s("DEMO8"));
    delivery(1, s("20240105090000"), s("IGI"), 0, 1);
    EXPECT_EQ(kept(1), on(s("RAG"), 4, "E", "AMM") + s(", ") + on(s("UPR"), 4));
    assign(1, s("20240106090000"), s("ARC"), today().addDays(8));
    EXPECT_EQ(kept(1), on(s("ARC"), 8));
    // An office moved to another department takes its matters along.
    exec(s("UPDATE Tab_Uffici SET Tab_Dipartimento = 'SAN' WHERE Tab_Ente = '001' AND Tab_Ufficio = 'ARC'"));
    EXPECT_EQ(kept(1), on(s("ARC"), 8, "E", "SAN"));

    // The subject and its privacy follow a correction of the register.
    exec(s("UPDATE Tab_Protocollo SET Tab_Oggetto = 'PRATICA RIVISTA', Tab_SoggPrivacy = 'S' WHERE "
           "Tab_NumeroProtocollo = ?"),
         {number(1)});
    EXPECT_EQ(subjectKept(1), s("PRATICA RIVISTA|S"));

    // Handled: gone; the completion undone: back.
    complete(1, s("20240107090000"));
    EXPECT_EQ(kept(1), QString());
    exec(s("DELETE FROM Tab_Iter_Documento WHERE Tab_NumeroProtocollo = ? AND Tab_TipoMovimento = 5"), {number(1)});
    EXPECT_EQ(kept(1), on(s("ARC"), 8, "E", "SAN"));

    // The deadline history is keyed by number only: it reaches an outgoing
    // protocol too. Without any deadline nothing is kept.
    assign(2, s("20240103090000"), s("UPR"), QVariant(), s("DEMO9"), s("U"));
    EXPECT_EQ(kept(2), QString());
    postpone(2, today().addDays(2), 0);
    EXPECT_EQ(kept(2), on(s("UPR"), 2, "U"));

    // Cancelled: gone.
    exec(s("UPDATE Tab_Protocollo SET Tab_StatoProtocollo = 'C', Tab_DataCancellazione = ?, "
           "Tab_MotivoCancellazione = 'ERRORE', Tab_CodiceOpeCanc = 'DEMO9' WHERE Tab_NumeroProtocollo = ?"),
         {today(), number(2)});
    EXPECT_EQ(kept(2), QString());
}

TEST_P(DeadlineKeeper, WorkstationMayOnlyReadIt)
{
    if (db().engine() != Dialect::Engine::PostgreSQL)
        GTEST_SKIP() << "roles are PostgreSQL's";
    // The triggers write with their owner's rights: a role that may write
    // the iter but only read the kept table still moves it.
    QSqlQuery q(db().central());
    const QString role = s("nimbo_scad_%1").arg(QCoreApplication::applicationPid());
    ASSERT_TRUE(q.exec(s("CREATE ROLE %1").arg(role)));
    ASSERT_TRUE(q.exec(s("GRANT SELECT, INSERT, UPDATE, DELETE ON Tab_Iter_Documento, Tab_Iter_Destinatari, "
                         "Tab_ProScadenza TO %1").arg(role)));
    ASSERT_TRUE(q.exec(s("GRANT USAGE, SELECT ON ALL SEQUENCES IN SCHEMA public TO %1").arg(role)));
    ASSERT_TRUE(q.exec(s("GRANT SELECT ON Tab_ScadenzeInCorso, Tab_Protocollo, Tab_Uffici TO %1").arg(role)));
    matter(1, 1, s("PRATICA 1"));
    ASSERT_TRUE(q.exec(s("SET ROLE %1").arg(role)));
    assign(1, s("20240103090000"), s("UPR"), today().addDays(3));
    postpone(1, today().addDays(5));
    EXPECT_FALSE(q.exec(s("DELETE FROM Tab_ScadenzeInCorso")));
    ASSERT_TRUE(q.exec(s("RESET ROLE")));
    EXPECT_EQ(kept(1), on(s("UPR"), 5));
    ASSERT_TRUE(q.exec(s("DROP OWNED BY %1").arg(role)) && q.exec(s("DROP ROLE %1").arg(role)));
}

NIMBO_INSTANTIATE_ENGINES(DeadlineKeeper);

namespace {

class DeadlineUpgrade : public EngineTest {
protected:
    Seed seed() const override { return Seed::NoSchema; }
};

} // namespace

TEST_P(DeadlineUpgrade, AnOlderRegisterStartsWithItsDeadlinesKept)
{
    QSqlDatabase c = db().central();
    QString err;
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err, 31)) << err.toStdString();
    ASSERT_TRUE(admitProtocolRows(c, &err)) << err.toStdString();
    QSqlQuery q(c);
    const auto run = [&](const QString &sql) { ASSERT_TRUE(q.exec(sql)) << sql.toStdString() << q.lastError().text().toStdString(); };
    run(QStringLiteral("INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione) VALUES "
                       "('001', 'PRO', 'UPR', 'PROTOCOLLO')"));
    for (int n = 1; n <= 3; ++n) {
        run(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_Oggetto, Tab_StatoProtocollo) VALUES ('001', 'E', '2024000000%1', "
                           "'2024-01-02', 'P', 'A')").arg(n));
        run(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_DataEvasione) VALUES "
                           "('001', 'E', '2024000000%1', '20240103090000', 4, 'UPR', 'DEMO9', '2030-05-0%1')").arg(n));
        run(QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione) VALUES "
                           "('001', 'E', '2024000000%1', '20240103090000', 'UPR', 0, 1)").arg(n));
    }
    run(QStringLiteral("INSERT INTO Tab_ProScadenza (Tab_Ente, Tab_Protocollo, Tab_DataScadenza, Tab_flagRinvio) "
                       "VALUES ('001', '20240000002', '2030-06-30', 1)"));
    run(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe) VALUES "
                       "('001', 'E', '20240000003', '20240104090000', 5, 'UPR', 'DEMO9')"));

    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err)) << err.toStdString();
    run(QStringLiteral("SELECT Tab_NumeroProtocollo, Tab_DataEvasione, Tab_Oggetto FROM Tab_ScadenzeInCorso ORDER BY 1"));
    QStringList got;
    while (q.next())
        got << q.value(0).toString() + QLatin1Char(' ') + q.value(1).toString().left(10) + QLatin1Char(' ')
                   + q.value(2).toString();
    EXPECT_EQ(got,
              (QStringList{QStringLiteral("20240000001 2030-05-01 P"), QStringLiteral("20240000002 2030-06-30 P")}));
}

NIMBO_INSTANTIATE_ENGINES(DeadlineUpgrade);
