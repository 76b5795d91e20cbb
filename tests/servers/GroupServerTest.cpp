// The protocol server's group operation on both engines: a group replaced
// whole or not at all, the request layout and its references checked.

#include <QSqlQuery>
#include <gtest/gtest.h>

#include "servers/ProtocolServer.h"
#include "support/TestDb.h"

namespace {

using Rows = QVector<QStringList>;

class GroupServerTest : public nimbo::test::EngineTest {
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
    static QVariant table(const Rows &rows)
    {
        QVariantList out;
        for (const QStringList &r : rows)
            out.append(QVariant(QVariantList{r.value(0), r.value(1), r.value(2)}));
        return out;
    }
    QVariantList call(QVariantList request) { return server->Elabora(nimbo::kOpAggiornaGruppi, request); }
    QVariantList replace(const QString &name, const Rows &rows, const QString &previous = QString(),
                         const QString &op = QStringLiteral("DEMO9"))
    {
        return call({QStringLiteral("001"), name, op, QStringLiteral("PRO"), table(rows), previous});
    }
    // The rows of a group as "department/office/member", in order.
    QStringList group(const QString &name)
    {
        QSqlQuery q(db().central());
        q.prepare(QStringLiteral("SELECT Tab_Dipartimento, Tab_Ufficio, Tab_Componente FROM Tab_UfficiGruppi WHERE "
                                 "Tab_Ente='001' AND Tab_DipartimentoGruppo='PRO' AND Tab_raggruppamento=? ORDER BY "
                                 "Tab_Dipartimento, Tab_Ufficio, Tab_Componente"));
        q.addBindValue(name);
        EXPECT_TRUE(q.exec());
        QStringList out;
        while (q.next())
            out << q.value(0).toString() + QLatin1Char('/') + q.value(1).toString() + QLatin1Char('/')
                       + q.value(2).toString();
        return out;
    }
    int allRows()
    {
        QSqlQuery q(db().central());
        return q.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_UfficiGruppi")) && q.next() ? q.value(0).toInt() : -1;
    }
    static std::string text(const QVariantList &reply) { return reply.value(1).toString().toStdString(); }

    std::unique_ptr<nimbo::ProtocolServer> server;
};

const QString kName = QStringLiteral("UFFICI DELL'AREA");

TEST_P(GroupServerTest, GroupIsReplacedWholeAndRenamingKeepsItsMembers)
{
    auto reply = replace(kName, {{"PRO", "UPR", "2"}, {"PRO", "ARC", "0"}, {"AMM", "RAG", "1"}});
    ASSERT_EQ(reply.value(0).toInt(), 0) << text(reply);
    EXPECT_EQ(group(kName), (QStringList{"AMM/RAG/1", "PRO/ARC/0", "PRO/UPR/2"}));

    // The same name with a new list: the old rows go.
    reply = replace(kName, {{"PRO", "UPR", "3"}, {"PRO", "ARC", "0"}}, kName);
    ASSERT_EQ(reply.value(0).toInt(), 0) << text(reply);
    EXPECT_EQ(group(kName), (QStringList{"PRO/ARC/0", "PRO/UPR/3"}));

    // Renamed: the members follow the name.
    reply = replace(QStringLiteral("AREA NUOVA"), {{"PRO", "UPR", "3"}, {"PRO", "ARC", "0"}}, kName);
    ASSERT_EQ(reply.value(0).toInt(), 0) << text(reply);
    EXPECT_TRUE(group(kName).isEmpty());
    EXPECT_EQ(group(QStringLiteral("AREA NUOVA")), (QStringList{"PRO/ARC/0", "PRO/UPR/3"}));

    // A new group, or a rename, may not take the name of another group.
    ASSERT_EQ(replace(kName, {{"AMM", "PER", "0"}}).value(0).toInt(), 0);
    reply = replace(kName, {{"AMM", "RAG", "0"}});
    EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused);
    EXPECT_NE(text(reply).find("Tab_raggruppamento"), std::string::npos) << text(reply);
    reply = replace(kName, {{"AMM", "RAG", "0"}}, QStringLiteral("AREA NUOVA"));
    EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused);
    EXPECT_EQ(group(kName), QStringList{"AMM/PER/0"});
    EXPECT_EQ(group(QStringLiteral("AREA NUOVA")), (QStringList{"PRO/ARC/0", "PRO/UPR/3"}));
}

TEST_P(GroupServerTest, FailureInsideTheOperationLeavesTheOldGroupWhole)
{
    ASSERT_EQ(replace(kName, {{"PRO", "UPR", "2"}, {"PRO", "ARC", "0"}}).value(0).toInt(), 0);
    const QStringList before = group(kName);

    // The bad row comes after the old rows were deleted and good rows written.
    const struct {
        Rows rows;
        const char *field;
    } cases[] = {{{{"PRO", "UPR", "1"}, {"AMM", "XXX", "0"}, {"AMM", "RAG", "0"}}, "Tab_Ufficio"},
                 {{{"PRO", "UPR", "1"}, {"AMM", "UPR", "0"}}, "Tab_Ufficio"},
                 {{{"PRO", "UPR", "1"}, {"ZZZ", "RAG", "0"}}, "Tab_Dipartimento"},
                 {{{"PRO", "UPR", "1"}, {"AMM", "RAG", "9"}}, "Tab_Componente"}};
    for (const auto &c : cases) {
        const auto reply = replace(QStringLiteral("NUOVO NOME"), c.rows, kName);
        EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused) << c.field;
        EXPECT_NE(text(reply).find(c.field), std::string::npos) << text(reply);
        EXPECT_EQ(group(kName), before) << c.field;
        EXPECT_TRUE(group(QStringLiteral("NUOVO NOME")).isEmpty()) << c.field;
    }
}

TEST_P(GroupServerTest, RequestLayoutAndReferencesAreCheckedBeforeAnythingIsWritten)
{
    ASSERT_EQ(replace(kName, {{"PRO", "UPR", "2"}}).value(0).toInt(), 0);
    const int rows = allRows();
    const QVariant good = table({{"PRO", "ARC", "0"}});
    const struct {
        QVariantList request;
        const char *names;
    } cases[] = {
        {{QStringLiteral("001"), kName, QStringLiteral("DEMO9"), QStringLiteral("PRO"), good}, "6 elementi"},
        {{QStringLiteral("001"), QString(), QStringLiteral("DEMO9"), QStringLiteral("PRO"), good, kName},
         "Tab_raggruppamento"},
        {{QStringLiteral("001"), QStringLiteral("A\x01B"), QStringLiteral("DEMO9"), QStringLiteral("PRO"), good, kName},
         "Tab_raggruppamento"},
        {{QStringLiteral("001"), kName, QStringLiteral("DEMO9"), QStringLiteral("PRO"), QStringLiteral("PRO-ARC-0"),
          kName},
         "componenti"},
        {{QStringLiteral("001"), kName, QStringLiteral("DEMO9"), QStringLiteral("PRO"), table({}), kName}, "vuoto"},
        {{QStringLiteral("001"), kName, QStringLiteral("DEMO9"), QStringLiteral("PRO"), table({{"PRO", "ARC", "x"}}),
          kName},
         "Tab_Componente"},
        {{QStringLiteral("001"), kName, QStringLiteral("DEMO9"), QStringLiteral("PRO"),
          table({{"PRO", "ARC", "0"}, {"PRO", "ARC", "0"}}), kName},
         "ripetuto"},
        {{QStringLiteral("001"), kName, QStringLiteral("DEMO9"), QStringLiteral("PRO"),
          QVariantList{QVariant(QVariantList{QStringLiteral("PRO"), QStringLiteral("ARC")})}, kName},
         "riga 1"},
        {{QStringLiteral("999"), kName, QStringLiteral("DEMO9"), QStringLiteral("PRO"), good, kName}, "Tab_Ente"},
        {{QStringLiteral("001"), kName, QStringLiteral("NESSUNO"), QStringLiteral("PRO"), good, kName}, "Operatore"},
        {{QStringLiteral("001"), kName, QStringLiteral("DEMO9"), QStringLiteral("ZZZ"), good, kName},
         "Tab_DipartimentoGruppo"},
    };
    for (const auto &c : cases) {
        QVariantList request = c.request;
        const auto reply = call(request);
        EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused) << c.names;
        EXPECT_NE(text(reply).find(c.names), std::string::npos) << c.names << ": " << text(reply);
        EXPECT_EQ(allRows(), rows) << c.names;
        EXPECT_EQ(group(kName), QStringList{"PRO/UPR/2"}) << c.names;
    }
    // An inactive operator may not change groups either.
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_Operatori SET Op_Attivo='N' WHERE Op_Codice_Operatore='DEMO8'")));
    const auto reply = replace(kName, {{"PRO", "ARC", "0"}}, kName, QStringLiteral("DEMO8"));
    EXPECT_EQ(reply.value(0).toString(), nimbo::kStatusRefused);
    EXPECT_NE(text(reply).find("non attivo"), std::string::npos) << text(reply);
    EXPECT_EQ(group(kName), QStringList{"PRO/UPR/2"});
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(GroupServerTest);
