// The further recipients of an outgoing protocol (operation 14) on both
// engines: the list replaced whole or not at all, the main recipient's row
// kept and never named again, each recipient once, every refusal naming its
// field, the writer taken from the session, processes replacing at once and
// a database that went away.

#include <QDateTime>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "servers/RecipientRequests.h"
#include "session/DicAmbiente.h"
#include "support/PgSessions.h"
#include "support/RegisterTest.h"

namespace {

const QString kEnte = QStringLiteral("ASL1");

class RecipientServerTest : public nimbo::test::RegisterTest {
protected:
    void SetUp() override
    {
        RegisterTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        server = std::make_unique<nimbo::ProtocolServer>(db().centralTarget());
        server->setClock([] { return QDateTime(QDate(2025, 3, 4), QTime(10, 0)); });
        // 20-27 active entries of the body, 28 switched off, 29 of another body.
        for (int id = 20; id <= 29; ++id)
            sql(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_EnteRubrica, Tab_Identificativo, Tab_Denominazione, "
                               "Tab_Attivo) VALUES ('%1', %2, 'DESTINATARIO %2', %3)")
                    .arg(id == 29 ? QStringLiteral("ASL2") : kEnte)
                    .arg(id)
                    .arg(id == 28 ? 0 : 1));
        QVariantList request = nimbo::registrationRequest(
            QStringLiteral("A"), nimbo::protocolCondition(kEnte, QStringLiteral("U"), QString()),
            nimbo::test::newProtocolColumns(kEnte, QStringLiteral("U"), QStringLiteral("Convocazione"),
                                            QStringLiteral("OP01"), QString()),
            QStringLiteral("OP01"));
        const QVariantList reply = server->Elabora(nimbo::kOpRegistraProtocollo, request);
        ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
        number = reply.value(2).toString();
    }
    void TearDown() override
    {
        server.reset();
        EngineTest::TearDown();
    }

    void sql(const QString &statement)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(statement)) << q.lastError().text().toStdString() << " " << statement.toStdString();
    }
    QVariantList request(const QVector<qlonglong> &ids, const QString &op = QStringLiteral("OP01"))
    {
        return nimbo::links::recipientsRequest(kEnte, QStringLiteral("U"), number, op, ids, false);
    }
    QVariantList call(QVariantList params) { return server->Elabora(nimbo::kOpAltriDestinatari, params); }
    QVariantList replace(const QVector<qlonglong> &ids) { return call(request(ids)); }
    // The protocol's rows, each "recipient:principale:writer:date", in order.
    QStringList rows()
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT Tab_MittDest, Tab_principale, Tab_CodOper, Tab_DatOper FROM "
                                          "Tab_ProtocolloDestinatari WHERE Tab_Ente = '%1' AND Tab_TipoProtocollo = "
                                          "'U' AND Tab_NumeroProtocollo = '%2' ORDER BY Tab_principale DESC, "
                                          "Tab_MittDest")
                                .arg(kEnte, number)))
            << q.lastError().text().toStdString();
        QStringList out;
        while (q.next())
            out << QStringLiteral("%1:%2:%3:%4")
                       .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                            q.value(3).toDate().toString(Qt::ISODate));
        return out;
    }
    // The further recipients alone, in order.
    QStringList further()
    {
        QStringList out;
        for (const QString &r : rows())
            if (r.section(QLatin1Char(':'), 1, 1) == QLatin1String("N"))
                out << r.section(QLatin1Char(':'), 0, 0);
        return out;
    }
    static std::string text(const QVariantList &reply) { return reply.value(1).toString().toStdString(); }

    QString number;
    std::unique_ptr<nimbo::ProtocolServer> server;
};

TEST_P(RecipientServerTest, TheListIsReplacedWholeEachRecipientOnceTheMainRecipientsRowKept)
{
    // A row of the main recipient written elsewhere stays whatever the list.
    sql(QStringLiteral("INSERT INTO Tab_ProtocolloDestinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_MittDest, Tab_principale, Tab_CodOper, Tab_DatOper) VALUES ('%1', 'U', '%2', 12, 'S', "
                       "'OP02', '2025-01-02')")
            .arg(kEnte, number));
    const QString kept = QStringLiteral("12:S:OP02:2025-01-02");

    // Two groups sharing a member name it twice: it is written once.
    QVariantList reply = replace({21, 20, 21, 22, 20});
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << text(reply);
    EXPECT_EQ(rows(), (QStringList{kept, QStringLiteral("20:N:OP01:2025-03-04"), QStringLiteral("21:N:OP01:2025-03-04"),
                                   QStringLiteral("22:N:OP01:2025-03-04")}));
    // The new list replaces the old, it does not add to it.
    ASSERT_EQ(replace({22, 23}).value(0).toString(), QStringLiteral("0"));
    EXPECT_EQ(further(), (QStringList{QStringLiteral("22"), QStringLiteral("23")}));
    // An empty list takes every further recipient away, and only those.
    ASSERT_EQ(replace({}).value(0).toString(), QStringLiteral("0"));
    EXPECT_EQ(rows(), QStringList{kept});

    // The writer is the session's operator, whatever the request names.
    DicAmbiente::session().op.code = QStringLiteral("OP02");
    ASSERT_EQ(call(request({24}, QStringLiteral("OP01"))).value(0).toString(), QStringLiteral("0"));
    EXPECT_EQ(rows(), (QStringList{kept, QStringLiteral("24:N:OP02:2025-03-04")}));

    // An entry switched off after it was listed stays on the list; a new
    // one that is switched off is refused.
    sql(QStringLiteral("UPDATE Tab_Rubrica SET Tab_Attivo = 0 WHERE Tab_Identificativo = 24"));
    reply = replace({24, 25});
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << text(reply);
    EXPECT_EQ(further(), (QStringList{QStringLiteral("24"), QStringLiteral("25")}));
    reply = replace({24, 25, 28});
    EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused);
    EXPECT_NE(text(reply).find("Tab_MittDest"), std::string::npos) << text(reply);
    EXPECT_NE(text(reply).find("28"), std::string::npos) << text(reply);
    EXPECT_EQ(further(), (QStringList{QStringLiteral("24"), QStringLiteral("25")}));
}

TEST_P(RecipientServerTest, EveryRefusalIs991NamingItsFieldAndWritesNothing)
{
    ASSERT_EQ(replace({20, 21}).value(0).toString(), QStringLiteral("0"));
    const QStringList before = rows();
    sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_StatoProtocollo, Tab_Intestatario) VALUES ('%1', 'U', '20240000077', 'C', 12)")
            .arg(kEnte));
    sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_StatoProtocollo, Tab_Intestatario) VALUES ('%1', 'E', '%2', 'A', 12)")
            .arg(kEnte, number.left(4) + QStringLiteral("0000999")));
    const auto with = [this](int at, const QVariant &value) {
        QVariantList r = request({22, 23});
        r[at] = value;
        return r;
    };
    const struct {
        QVariantList params;
        const char *field;
    } cases[] = {
        {request({22}).mid(0, 5), "6 elementi"},
        {with(0, QString()), "Tab_Ente"},
        {with(0, QStringLiteral("ASL9")), "Tab_Ente"},
        {with(1, QStringLiteral("E")), "Tab_TipoProtocollo"},
        {with(1, QStringLiteral("X")), "Tab_TipoProtocollo"},
        {with(2, number.left(10)), "Tab_NumeroProtocollo"},
        {with(2, number.left(4) + QStringLiteral("000000A")), "Tab_NumeroProtocollo"},
        // an incoming protocol of that number is not the outgoing one asked for
        {with(2, number.left(4) + QStringLiteral("0000999")), "Tab_NumeroProtocollo"},
        {with(2, QStringLiteral("20240000077")), "annullato"},
        {with(3, QStringLiteral("NESSUNO")), "Tab_CodOper"},
        {with(4, QStringLiteral("22;23")), "Tab_MittDest"},
        {with(4, QVariantList{22, QStringLiteral("ventitre")}), "Tab_MittDest"},
        {with(4, QVariantList{22, 0}), "Tab_MittDest"},
        {with(4, QVariantList{22, QVariant()}), "Tab_MittDest"},
        {with(4, QVariantList{22, QVariantList{23}}), "Tab_MittDest"},
        {with(4, QVariantList{22, 29}), "Tab_MittDest"},   // another body's entry
        {with(4, QVariantList{22, 404}), "Tab_MittDest"},  // nobody's
        {with(4, QVariantList{22, 28}), "Tab_MittDest"},   // switched off
        {with(4, QVariantList{22, 12}), "Tab_Intestatario"}, // the main recipient
        {with(5, QStringLiteral("FORSE")), "SI o NO"},
    };
    for (const auto &c : cases) {
        const QVariantList reply = call(c.params);
        EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused) << c.field << " " << text(reply);
        EXPECT_NE(text(reply).find(c.field), std::string::npos) << c.field << " " << text(reply);
    }
    EXPECT_EQ(rows(), before);
}

TEST_P(RecipientServerTest, AFailureHalfWayThroughTheRowsWritesNothing)
{
    ASSERT_EQ(replace({20, 21}).value(0).toString(), QStringLiteral("0"));
    const QStringList before = rows();
    // The database refuses the third new row: the old rows are gone and
    // two new ones written by then.
    if (db().engine() == Dialect::Engine::SQLite) {
        sql(QStringLiteral("CREATE TRIGGER refuse_25 BEFORE INSERT ON Tab_ProtocolloDestinatari WHEN "
                           "new.Tab_MittDest = 25 BEGIN SELECT RAISE(ABORT, 'riga rifiutata'); END"));
    } else {
        sql(QStringLiteral("CREATE FUNCTION refuse_row() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                           "RAISE EXCEPTION 'riga rifiutata'; END $$"));
        sql(QStringLiteral("CREATE TRIGGER refuse_25 BEFORE INSERT ON Tab_ProtocolloDestinatari FOR EACH ROW WHEN "
                           "(new.Tab_MittDest = 25) EXECUTE FUNCTION refuse_row()"));
    }
    const QVariantList reply = replace({23, 24, 25, 26});
    EXPECT_NE(reply.value(0).toString(), QStringLiteral("0"));
    EXPECT_NE(text(reply).find("riga rifiutata"), std::string::npos) << text(reply);
    EXPECT_EQ(rows(), before);
    // The connection is usable for the next request.
    ASSERT_EQ(replace({23, 24}).value(0).toString(), QStringLiteral("0"));
    EXPECT_EQ(further(), (QStringList{QStringLiteral("23"), QStringLiteral("24")}));
}

// Two processes replacing the list of one protocol at once, again and
// again: whoever reads it in between finds one process's whole list.
TEST_P(RecipientServerTest, TwoProcessesReplacingAtOnceLeaveOneWholeList)
{
    const QStringList lists[] = {{QStringLiteral("20"), QStringLiteral("21"), QStringLiteral("22"), QStringLiteral("23")},
                                 {QStringLiteral("24"), QStringLiteral("25"), QStringLiteral("26"), QStringLiteral("27")}};
    const bool pg = db().engine() == Dialect::Engine::PostgreSQL;
    const QString start = QString::number(QDateTime::currentMSecsSinceEpoch() + 1500);
    constexpr int kRounds = 60;
    std::vector<std::unique_ptr<QProcess>> workers;
    for (const QStringList &ids : lists) {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral(NIMBO_RECIPIENT_WORKER),
                 QStringList{pg ? QStringLiteral("pg") : QStringLiteral("sqlite"), db().centralTarget().location, kEnte,
                             number, QStringLiteral("OP01"), start, QString::number(kRounds)}
                     + ids);
        workers.push_back(std::move(p));
    }
    int looks = 0;
    const auto whole = [&](const QStringList &seen) {
        return seen.isEmpty() || seen == lists[0] || seen == lists[1];
    };
    while (workers[0]->state() != QProcess::NotRunning || workers[1]->state() != QProcess::NotRunning) {
        const QStringList seen = further();
        EXPECT_TRUE(whole(seen)) << seen.join(QLatin1Char(',')).toStdString();
        ++looks;
        for (auto &p : workers)
            p->waitForFinished(2);
    }
    for (auto &p : workers) {
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        EXPECT_EQ(QString::fromUtf8(p->readAllStandardOutput()).count(QStringLiteral("OK ")), kRounds);
    }
    const QStringList last = further();
    EXPECT_TRUE(last == lists[0] || last == lists[1]) << last.join(QLatin1Char(',')).toStdString();
    EXPECT_GT(looks, 0);
}

TEST_P(RecipientServerTest, AServerKeptAcrossLostConnectionsReplacesOnANewOne)
{
    if (db().engine() != Dialect::Engine::PostgreSQL)
        GTEST_SKIP() << "a database server that ends sessions";
    ASSERT_EQ(replace({20}).value(0).toString(), QStringLiteral("0"));
    ASSERT_NO_FATAL_FAILURE(nimbo::test::endSessionsOf(db(), db().central()));
    const QVariantList reply = replace({21, 22});
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << text(reply);
    EXPECT_EQ(further(), (QStringList{QStringLiteral("21"), QStringLiteral("22")}));
}

NIMBO_INSTANTIATE_ENGINES(RecipientServerTest);

} // namespace
