// The protocol server's address-book operations on both engines:
// identifiers unique under processes side by side and never behind the
// address book, groups replaced whole (keeping the members the window could
// not show) or not at all, groups deleted whole or not at all.

#include <QProcess>
#include <QSet>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "servers/ProtocolServer.h"
#include "support/TestDb.h"

namespace {

const QString kEnte = QStringLiteral("001");

class AddressBookServerTest : public nimbo::test::EngineTest {
protected:
    nimbo::test::Seed seed() const override { return nimbo::test::Seed::Demo; }
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        server = std::make_unique<nimbo::ProtocolServer>(db().centralTarget());
    }
    void TearDown() override
    {
        server.reset();
        EngineTest::TearDown();
    }
    QVariantList call(short op, QVariantList request) { return server->Elabora(op, request); }
    QVariantList identifier(const QString &ente = kEnte)
    {
        return call(nimbo::kOpProgressivoRubrica, {QStringLiteral("1"), ente});
    }
    QVariantList write(const QString &name, const QList<int> &ids, const QString &previous = QString(),
                       const QString &owner = QStringLiteral("PRO"), int shared = 0)
    {
        QVariantList members;
        for (int id : ids)
            members << id;
        return call(nimbo::kOpGruppiRubrica,
                    {kEnte, name, QStringLiteral("DEMO9"), owner, QVariant(members), previous, QString::number(shared)});
    }
    QVariantList remove(const QString &name, const QString &owner = QStringLiteral("PRO"))
    {
        return call(nimbo::kOpCancellaGruppoRubrica, {kEnte, name, owner});
    }
    void sql(const QString &statement)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(statement)) << statement.toStdString();
    }
    QString scalar(const QString &statement)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(statement) && q.next()) << statement.toStdString();
        return q.value(0).toString();
    }
    // The members of a group, in order, each "id/shared".
    QStringList group(const QString &name)
    {
        QSqlQuery q(db().central());
        q.prepare(QStringLiteral("SELECT Tab_Identificativo, Tab_Condiviso, Tab_Dipartimento FROM Tab_RubricaGruppi "
                                 "WHERE Tab_Ente = '001' AND Tab_Raggruppamento = ? ORDER BY Tab_Identificativo"));
        q.addBindValue(name);
        EXPECT_TRUE(q.exec());
        QStringList out;
        while (q.next())
            out << q.value(0).toString() + QLatin1Char('/') + q.value(1).toString();
        return out;
    }
    static std::string text(const QVariantList &reply) { return reply.value(1).toString().toStdString(); }
    static bool refused(const QVariantList &reply, const char *naming)
    {
        return reply.value(0).toString() == nimbo::kStatusRefused
               && reply.value(1).toString().contains(QLatin1String(naming));
    }

    std::unique_ptr<nimbo::ProtocolServer> server;
};

TEST_P(AddressBookServerTest, IdentifiersFollowTheCounterAndNeverFallBehindTheAddressBook)
{
    // The demo's thirty entries are covered by the counter.
    EXPECT_EQ(identifier().value(2).toLongLong(), 31);
    EXPECT_EQ(identifier().value(2).toLongLong(), 32);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Ente_ProgressivoRubrica FROM Tab_Enti WHERE Ente_Codice = '001'")),
              QStringLiteral("32"));

    // An entry written past the counter (loaded by hand), or a counter put
    // back: the next identifier is past the greatest one in use.
    sql(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione, "
                       "Tab_Domicilio, Tab_NumeroCivico, Tab_ComuneUbicazione) VALUES (200, '001', 'CARICATO A MANO', "
                       "'VIA NUOVA', '1 ', '076063')"));
    EXPECT_EQ(identifier().value(2).toLongLong(), 201);
    sql(QStringLiteral("UPDATE Tab_Enti SET Ente_ProgressivoRubrica = 3 WHERE Ente_Codice = '001'"));
    EXPECT_EQ(identifier().value(2).toLongLong(), 201);
    sql(QStringLiteral("UPDATE Tab_Enti SET Ente_ProgressivoRubrica = NULL WHERE Ente_Codice = '001'"));
    EXPECT_EQ(identifier().value(2).toLongLong(), 201);

    // Refusals name what is wrong and move no counter.
    const QString before = scalar(QStringLiteral("SELECT Ente_ProgressivoRubrica FROM Tab_Enti WHERE Ente_Codice = '001'"));
    EXPECT_TRUE(refused(identifier(QStringLiteral("999")), "Tab_EnteRubrica")) << text(identifier(QStringLiteral("999")));
    EXPECT_TRUE(refused(identifier(QString()), "Tab_EnteRubrica"));
    EXPECT_TRUE(refused(identifier(QStringLiteral("0\x01")), "Tab_EnteRubrica"));
    EXPECT_TRUE(refused(call(nimbo::kOpProgressivoRubrica, {kEnte}), "2 elementi"));
    EXPECT_TRUE(refused(call(nimbo::kOpProgressivoRubrica, {QStringLiteral("2"), kEnte}), "2 elementi"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Ente_ProgressivoRubrica FROM Tab_Enti WHERE Ente_Codice = '001'")), before);
}

const QString kName = QStringLiteral("FORNITORI DELL'AREA");

TEST_P(AddressBookServerTest, GroupIsReplacedWholeKeepingMembersInactiveSinceItWasShown)
{
    auto reply = write(kName, {10, 11, 12}, QString(), QStringLiteral("PRO"), 1);
    ASSERT_EQ(reply.value(0).toInt(), 0) << text(reply);
    EXPECT_EQ(group(kName), (QStringList{"10/1", "11/1", "12/1"}));

    // 11 is made inactive meanwhile: the window no longer shows it, so the
    // list it sends back lacks it; the group keeps it.
    sql(QStringLiteral("UPDATE Tab_Rubrica SET Tab_Attivo = 0 WHERE Tab_EnteRubrica = '001' AND Tab_Identificativo = 11"));
    reply = write(kName, {10, 13}, kName);
    ASSERT_EQ(reply.value(0).toInt(), 0) << text(reply);
    EXPECT_EQ(group(kName), (QStringList{"10/0", "11/0", "13/0"}));

    // Renamed: every member follows the name, the hidden one too.
    reply = write(QStringLiteral("FORNITORI"), {13}, kName);
    ASSERT_EQ(reply.value(0).toInt(), 0) << text(reply);
    EXPECT_TRUE(group(kName).isEmpty());
    EXPECT_EQ(group(QStringLiteral("FORNITORI")), (QStringList{"11/0", "13/0"}));

    // A member ceased after it joined may stay; a ceased or inactive entry
    // may not join.
    sql(QStringLiteral("UPDATE Tab_Rubrica SET Tab_Cessazione = '2024-01-31' WHERE Tab_EnteRubrica = '001' AND "
                       "Tab_Identificativo IN (13, 14)"));
    EXPECT_EQ(write(QStringLiteral("FORNITORI"), {13}, QStringLiteral("FORNITORI")).value(0).toInt(), 0);
    reply = write(QStringLiteral("FORNITORI"), {13, 14}, QStringLiteral("FORNITORI"));
    EXPECT_TRUE(refused(reply, "cessato o non attivo")) << text(reply);
    reply = write(QStringLiteral("FORNITORI"), {13, 11}, QStringLiteral("FORNITORI"));
    EXPECT_EQ(reply.value(0).toInt(), 0) << text(reply); // 11 was a member already
    reply = write(QStringLiteral("NUOVO"), {11});
    EXPECT_TRUE(refused(reply, "cessato o non attivo")) << text(reply);
    EXPECT_EQ(group(QStringLiteral("FORNITORI")), (QStringList{"11/0", "13/0"}));

    // The name belongs to the entity: no other group, of this department or
    // of another, may take it.
    ASSERT_EQ(write(QStringLiteral("ALTRI"), {1}, QString(), QStringLiteral("AMM")).value(0).toInt(), 0);
    EXPECT_TRUE(refused(write(QStringLiteral("ALTRI"), {2}), "Tab_Raggruppamento"));
    EXPECT_TRUE(refused(write(QStringLiteral("ALTRI"), {2}, QStringLiteral("ALTRI")), "Tab_Raggruppamento"));
    EXPECT_TRUE(refused(write(QStringLiteral("ALTRI"), {2}, QStringLiteral("FORNITORI")), "Tab_Raggruppamento"));
    EXPECT_EQ(group(QStringLiteral("ALTRI")), QStringList{"1/0"});
    EXPECT_EQ(group(QStringLiteral("FORNITORI")), (QStringList{"11/0", "13/0"}));
}

TEST_P(AddressBookServerTest, FailureInsideAGroupOperationLeavesTheOldGroupWhole)
{
    ASSERT_EQ(write(kName, {1, 2, 3}).value(0).toInt(), 0);
    const QStringList before = group(kName);

    // The bad identifier comes after the old rows went and good ones were written.
    for (const QList<int> &ids : {QList<int>{4, 5, 999}, QList<int>{4, 0}}) {
        const auto reply = write(QStringLiteral("NUOVO NOME"), ids, kName);
        EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused) << text(reply);
        EXPECT_NE(text(reply).find("Tab_Identificativo"), std::string::npos) << text(reply);
        EXPECT_EQ(group(kName), before);
        EXPECT_TRUE(group(QStringLiteral("NUOVO NOME")).isEmpty());
    }

    // The database itself refuses one row, inside the writing or the deletion.
    if (db().engine() == Dialect::Engine::SQLite) {
        sql(QStringLiteral("CREATE TRIGGER refuse_six BEFORE INSERT ON Tab_RubricaGruppi WHEN new.Tab_Identificativo = 6 "
                           "BEGIN SELECT RAISE(ABORT, 'riga rifiutata'); END"));
        sql(QStringLiteral("CREATE TRIGGER refuse_delete BEFORE DELETE ON Tab_RubricaGruppi WHEN old.Tab_Identificativo "
                           "= 3 BEGIN SELECT RAISE(ABORT, 'riga rifiutata'); END"));
    } else {
        sql(QStringLiteral("CREATE FUNCTION refuse_row() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                           "RAISE EXCEPTION 'riga rifiutata'; END $$"));
        sql(QStringLiteral("CREATE TRIGGER refuse_six BEFORE INSERT ON Tab_RubricaGruppi FOR EACH ROW WHEN "
                           "(new.Tab_Identificativo = 6) EXECUTE FUNCTION refuse_row()"));
        sql(QStringLiteral("CREATE TRIGGER refuse_delete BEFORE DELETE ON Tab_RubricaGruppi FOR EACH ROW WHEN "
                           "(old.Tab_Identificativo = 3) EXECUTE FUNCTION refuse_row()"));
    }
    auto reply = write(kName, {4, 5, 6}, kName);
    EXPECT_NE(reply.value(0).toInt(), 0);
    EXPECT_EQ(group(kName), before);
    reply = remove(kName);
    EXPECT_NE(reply.value(0).toInt(), 0);
    EXPECT_EQ(group(kName), before);

    sql(QStringLiteral("DROP TRIGGER refuse_delete") +
        (db().engine() == Dialect::Engine::SQLite ? QString() : QStringLiteral(" ON Tab_RubricaGruppi")));
    reply = remove(kName);
    ASSERT_EQ(reply.value(0).toInt(), 0) << text(reply);
    EXPECT_TRUE(group(kName).isEmpty());
    EXPECT_TRUE(refused(remove(kName), "non trovato"));
}

TEST_P(AddressBookServerTest, MalformedGroupRequestsAreRefusedNamingTheField)
{
    ASSERT_EQ(write(kName, {1}).value(0).toInt(), 0);
    const QVariant one = QVariantList{2};
    const QString op = QStringLiteral("DEMO9"), dep = QStringLiteral("PRO");
    const struct {
        short code;
        QVariantList request;
        const char *names;
    } cases[] = {
        {nimbo::kOpGruppiRubrica, {kEnte, kName, op, dep, one, kName}, "7 elementi"},
        {nimbo::kOpGruppiRubrica, {kEnte, QString(), op, dep, one, kName, QStringLiteral("0")}, "Tab_Raggruppamento"},
        {nimbo::kOpGruppiRubrica, {kEnte, QStringLiteral("A\x02"), op, dep, one, kName, QStringLiteral("0")},
         "Tab_Raggruppamento"},
        {nimbo::kOpGruppiRubrica, {kEnte, kName, op, dep, QStringLiteral("2"), kName, QStringLiteral("0")}, "componenti"},
        {nimbo::kOpGruppiRubrica, {kEnte, kName, op, dep, QVariantList{}, kName, QStringLiteral("0")}, "vuoto"},
        {nimbo::kOpGruppiRubrica, {kEnte, kName, op, dep, QVariantList{QStringLiteral("x")}, kName, QStringLiteral("0")},
         "Tab_Identificativo"},
        {nimbo::kOpGruppiRubrica, {kEnte, kName, op, dep, QVariantList{2, 2}, kName, QStringLiteral("0")}, "ripetuto"},
        {nimbo::kOpGruppiRubrica, {kEnte, kName, op, dep, one, kName, QStringLiteral("S")}, "Tab_Condiviso"},
        {nimbo::kOpGruppiRubrica, {QStringLiteral("999"), kName, op, dep, one, kName, QStringLiteral("0")}, "Tab_Ente"},
        {nimbo::kOpGruppiRubrica, {kEnte, kName, QStringLiteral("NESSUNO"), dep, one, kName, QStringLiteral("0")},
         "Operatore"},
        {nimbo::kOpGruppiRubrica, {kEnte, kName, op, QStringLiteral("ZZZ"), one, kName, QStringLiteral("0")},
         "Tab_Dipartimento"},
        {nimbo::kOpCancellaGruppoRubrica, {kEnte, kName}, "3 elementi"},
        {nimbo::kOpCancellaGruppoRubrica, {kEnte, QString(), dep}, "Tab_Raggruppamento"},
        {nimbo::kOpCancellaGruppoRubrica, {kEnte, kName, QStringLiteral("AMM")}, "non trovato"},
    };
    for (const auto &c : cases) {
        const auto reply = call(c.code, c.request);
        EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused) << c.names;
        EXPECT_NE(text(reply).find(c.names), std::string::npos) << c.names << ": " << text(reply);
        EXPECT_EQ(group(kName), QStringList{"1/0"}) << c.names;
    }
}

// ---- several processes ---------------------------------------------------------

TEST_P(AddressBookServerTest, ProcessesAskingAtOnceGetDistinctIdentifiers)
{
    constexpr int kWorkers = 4, kEach = 25;
    std::vector<std::unique_ptr<QProcess>> ps;
    const bool pg = db().engine() == Dialect::Engine::PostgreSQL;
    for (int i = 0; i < kWorkers; ++i) {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral(NIMBO_IDENTIFIER_WORKER),
                 {pg ? QStringLiteral("pg") : QStringLiteral("sqlite"), db().centralTarget().location,
                  QString::number(kEach), kEnte});
        ps.push_back(std::move(p));
    }
    QList<int> got;
    for (auto &p : ps) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        for (const QString &line : QString::fromLatin1(p->readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            got << line.toInt();
    }
    std::sort(got.begin(), got.end());
    QList<int> expected;
    for (int i = 31; i <= 30 + kWorkers * kEach; ++i)
        expected << i;
    EXPECT_EQ(got, expected);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Ente_ProgressivoRubrica FROM Tab_Enti WHERE Ente_Codice = '001'")).toInt(),
              30 + kWorkers * kEach);
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(AddressBookServerTest);
