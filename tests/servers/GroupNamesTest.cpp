// Group names on both engines: processes of two departments (or of one)
// writing groups of the same names at once end with one whole group per
// name, the others told why; an upgrade over a rubric whose group names
// already clash names them instead of failing on the key.

#include <QDateTime>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "schema/Schema.h"
#include "servers/ProtocolServer.h"
#include "support/TestDb.h"

namespace {

class GroupNamesTest : public nimbo::test::EngineTest {
protected:
    nimbo::test::Seed seed() const override { return nimbo::test::Seed::Demo; }

    static constexpr int kNames = 40;

    // Four workers, each with its own department and members, writing
    // "GARA 0" .. "GARA 39" from the same instant. Returns, per name, the
    // index of the one worker that wrote it (-1 when none or several did).
    QVector<int> race(short op, const QStringList &departments, const QVector<QStringList> &members)
    {
        const bool pg = db().engine() == Dialect::Engine::PostgreSQL;
        const QString start = QString::number(QDateTime::currentMSecsSinceEpoch() + 1500);
        std::vector<std::unique_ptr<QProcess>> workers;
        for (int w = 0; w < int(departments.size()); ++w) {
            auto p = std::make_unique<QProcess>();
            p->start(QStringLiteral(NIMBO_GROUP_WORKER),
                     QStringList{pg ? QStringLiteral("pg") : QStringLiteral("sqlite"), db().centralTarget().location,
                                 QString::number(op), QStringLiteral("001"), departments[w], start,
                                 QString::number(kNames)}
                         + members[w]);
            workers.push_back(std::move(p));
        }
        QVector<int> winner(kNames, -1);
        QVector<int> wins(kNames, 0);
        for (int w = 0; w < int(workers.size()); ++w) {
            QProcess &p = *workers[size_t(w)];
            EXPECT_TRUE(p.waitForFinished(240000));
            EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
            for (const QString &line :
                 QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                const int n = line.section(QLatin1Char(' '), 1, 1).toInt();
                if (line.startsWith(QLatin1String("OK "))) {
                    winner[n] = w;
                    ++wins[n];
                } else if (!line.startsWith(QLatin1String("991 ")) || !line.contains(QStringLiteral("GARA %1").arg(n))
                           || !line.contains(QStringLiteral("già utilizzato"))) {
                    ADD_FAILURE() << line.toStdString();
                }
            }
        }
        for (int n = 0; n < kNames; ++n)
            if (wins[n] != 1)
                winner[n] = -1;
        return winner;
    }

    // A group's rows, each "owner:member", in order.
    QStringList rows(const QString &sql, const QString &name)
    {
        QSqlQuery q(db().central());
        q.prepare(sql);
        q.addBindValue(name);
        EXPECT_TRUE(q.exec()) << q.lastError().text().toStdString();
        QStringList out;
        while (q.next())
            out << q.value(0).toString() + QLatin1Char(':') + q.value(1).toString();
        return out;
    }
};

TEST_P(GroupNamesTest, TwoDepartmentsCreatingOneAddressBookGroupDoNotMergeIt)
{
    const QStringList departments{QStringLiteral("PRO"), QStringLiteral("PRO"), QStringLiteral("AMM"),
                                  QStringLiteral("AMM")};
    const QVector<QStringList> members{{QStringLiteral("1"), QStringLiteral("2")},
                                       {QStringLiteral("3"), QStringLiteral("4")},
                                       {QStringLiteral("5"), QStringLiteral("6")},
                                       {QStringLiteral("7"), QStringLiteral("8")}};
    const QVector<int> winner = race(nimbo::kOpGruppiRubrica, departments, members);
    for (int n = 0; n < kNames; ++n) {
        const QString name = QStringLiteral("GARA %1").arg(n);
        ASSERT_GE(winner[n], 0) << name.toStdString() << ": not one writer";
        QStringList expected;
        for (const QString &m : members[winner[n]])
            expected << departments[winner[n]] + QLatin1Char(':') + m;
        EXPECT_EQ(rows(QStringLiteral("SELECT Tab_Dipartimento, Tab_Identificativo FROM Tab_RubricaGruppi WHERE "
                                      "Tab_Ente = '001' AND Tab_Raggruppamento = ? ORDER BY 2"),
                       name),
                  expected)
            << name.toStdString();
    }
}

TEST_P(GroupNamesTest, TwoOperatorsCreatingOneOfficeGroupDoNotMergeIt)
{
    const QStringList departments(4, QStringLiteral("PRO"));
    const QVector<QStringList> members{{QStringLiteral("PRO/UPR/0")},
                                       {QStringLiteral("PRO/ARC/0")},
                                       {QStringLiteral("AMM/RAG/0")},
                                       {QStringLiteral("AMM/PER/0")}};
    const QVector<int> winner = race(nimbo::kOpAggiornaGruppi, departments, members);
    for (int n = 0; n < kNames; ++n) {
        const QString name = QStringLiteral("GARA %1").arg(n);
        ASSERT_GE(winner[n], 0) << name.toStdString() << ": not one writer";
        const QString m = members[winner[n]].first();
        EXPECT_EQ(rows(QStringLiteral("SELECT Tab_Dipartimento, Tab_Ufficio FROM Tab_UfficiGruppi WHERE Tab_Ente = "
                                      "'001' AND Tab_DipartimentoGruppo = 'PRO' AND Tab_raggruppamento = ?"),
                       name),
                  QStringList{m.section(QLatin1Char('/'), 0, 0) + QLatin1Char(':') + m.section(QLatin1Char('/'), 1, 1)})
            << name.toStdString();
    }
}

class GroupNamesUpgradeTest : public nimbo::test::EngineTest {
protected:
    nimbo::test::Seed seed() const override { return nimbo::test::Seed::NoSchema; }
};

TEST_P(GroupNamesUpgradeTest, AnUpgradeNamesTheGroupsThatShareANameAcrossDepartments)
{
    QSqlDatabase c = db().central();
    QString error;
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &error, 15)) << error.toStdString();
    QSqlQuery q(c);
    for (const char *sql : {"INSERT INTO Tab_RubricaGruppi (Tab_Ente, Tab_Dipartimento, Tab_Raggruppamento, "
                            "Tab_Identificativo) VALUES ('001', 'PRO', 'AMICI', 1), ('001', 'AMM', 'AMICI', 2), "
                            "('001', 'AMM', 'FORNITORI', 3), ('001', 'AMM', 'FORNITORI', 4)",
                            "INSERT INTO Tab_UfficiGruppi (Tab_Ente, Tab_DipartimentoGruppo, Tab_raggruppamento, "
                            "Tab_Dipartimento, Tab_Ufficio) VALUES ('001', 'PRO', 'TUTTI', 'PRO', 'UPR'), "
                            "('001', 'PRO', 'TUTTI', 'PRO', 'ARC'), ('001', 'AMM', 'TUTTI', 'AMM', 'RAG')"})
        ASSERT_TRUE(q.exec(QString::fromLatin1(sql))) << q.lastError().text().toStdString();

    EXPECT_FALSE(Schema::createOrUpgrade(c, Schema::Kind::Central, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("gruppo \"AMICI\": dipartimenti AMM e PRO"))) << error.toStdString();
    EXPECT_FALSE(error.contains(QStringLiteral("FORNITORI"))) << error.toStdString();
    EXPECT_EQ(Schema::version(c), 15);

    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_RubricaGruppi SET Tab_Raggruppamento = 'AMICI AMM' WHERE "
                                      "Tab_Dipartimento = 'AMM' AND Tab_Raggruppamento = 'AMICI'")));
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &error)) << error.toStdString();
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_Raggruppamento || '/' || Tab_Dipartimento FROM "
                                      "Tab_RubricaGruppiNomi ORDER BY 1")));
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    EXPECT_EQ(names, (QStringList{QStringLiteral("AMICI AMM/AMM"), QStringLiteral("AMICI/PRO"),
                                  QStringLiteral("FORNITORI/AMM")}));
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_UfficiGruppiNomi")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 2);
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(GroupNamesTest);
NIMBO_INSTANTIATE_ENGINES(GroupNamesUpgradeTest);
