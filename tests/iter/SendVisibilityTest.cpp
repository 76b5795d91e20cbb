// Who sees what in the lists of sent and completed documents, table-driven
// on both engines: levels 6, 7 (with and without extra pairs), 8, 9, a
// level outside 6-9, and the privacy right. The queries run over the real
// tables with the scope builder's conditions.

#include <QSqlQuery>
#include <QSqlRecord>

#include "TrayFixture.h"
#include "iter/SendLists.h"

using namespace nimbo;
using namespace nimbo::iter;

namespace {

namespace F = Funzioni_Com_1;

class SendVisibility : public test::IterData {
protected:
    void SetUp() override
    {
        IterData::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(db().ok()) << db().error().toStdString();
        for (int n : {1, 3, 4, 5, 6})
            protocol(n);
        protocol(2, s("E"), true);
        // A cancelled protocol is never listed.
        protocol(7);
        exec(s("UPDATE Tab_Protocollo SET Tab_StatoProtocollo='C', Tab_DataCancellazione = '2024-01-02', "
           "Tab_MotivoCancellazione = '01', Tab_CodiceOpeCanc = 'DEMO9' WHERE Tab_NumeroProtocollo=?"), {number(7)});

        // Sent and still pending: who sent what (acting office, operator).
        const QString m = s("20240103090000");
        movement(1, m, 4, s("UPR"), s("DEMO9"));
        delivery(1, m, s("RAG"), 0);
        movement(2, m, 2, s("UPR"), s("DEMO7"));
        delivery(2, m, s("IGI"), 0);
        delivery(2, m, s("RAG"), 1, 2);
        movement(3, m, 2, s("RAG"), s("DEMO8"));
        delivery(3, m, s("UPR"), 0);
        movement(4, m, 2, s("ARC"), s("DEMO6"));
        delivery(4, m, s("RAG"), 0);
        movement(5, m, 2, s("IGI"), s("DEMO8"));
        delivery(5, m, s("ARC"), 0);
        movement(7, m, 2, s("UPR"), s("DEMO7"));
        delivery(7, m, s("RAG"), 0);
        // Taken in charge already: not pending any more.
        movement(6, m, 2, s("UPR"), s("DEMO7"));
        delivery(6, m, s("RAG"), 0, 1, s("E"), s("001"), false);

        // Completed: who completed what.
        const QString e = s("20240110120000");
        movement(1, e, 5, s("UPR"), s("DEMO7"));
        movement(2, e, 5, s("RAG"), s("DEMO8"));
        movement(3, e, 5, s("ARC"), s("DEMO6"));
        movement(4, e, 5, s("IGI"), s("DEMO8"));
        movement(7, e, 5, s("UPR"), s("DEMO7"));
    }

    static ListCriteria all()
    {
        ListCriteria c;
        c.from = c.to = QString();
        return c;
    }
    F::LoadedRows rows(const QString &sql)
    {
        F::LoadedRows out;
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        const int cols = q.record().count();
        out.columns.resize(cols);
        while (q.next())
            for (int c = 0; c < cols; ++c)
                out.columns[c] << q.value(c);
        out.ok = true;
        return out;
    }
};

struct Case {
    const char *who;
    protocol::Viewer viewer;
    const char *sent;     // progressives listed as sent and not taken in charge
    const char *archived; // progressives listed as completed
};

protocol::Viewer withArchive(protocol::Viewer v)
{
    v.extra.append({QStringLiteral("PRO"), QStringLiteral("ARC")});
    return v;
}

TEST_P(SendVisibility, LevelsPairsAndPrivacy)
{
    const Case cases[] = {
        // Level 6: what he sent from his own office; what he completed.
        {"6", viewer("DEMO7", 6, "PRO", "UPR"), "2", "1"},
        // Level 7: his office's sendings; completions of his office or his own.
        {"7", viewer("DEMO7", 7, "PRO", "UPR"), "2,1", "1"},
        {"7+ARC", withArchive(viewer("DEMO7", 7, "PRO", "UPR")), "4,2,1", "3,1"},
        // Level 8: sendings of his offices; completions of his department.
        {"8", viewer("DEMO7", 8, "PRO", "UPR"), "2,1", "3,1"},
        {"9", viewer("DEMO9", 9, "PRO", "UPR"), "2,1", "4,3,2,1"},
        {"5", viewer("DEMO9", 5, "PRO", "UPR"), "", ""},
        {"0", viewer("DEMO9", 0, "PRO", "UPR"), "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.who);
        EXPECT_EQ(progressives(sentQuery(SentView::NotTaken, all(), c.viewer), 1), QString::fromLatin1(c.sent));
        EXPECT_EQ(progressives(archivedQuery(all(), c.viewer), 1), QString::fromLatin1(c.archived));
    }
}

TEST_P(SendVisibility, RowsShowRecipientsAndMaskReservedSubjects)
{
    const protocol::Viewer plain = viewer("DEMO9", 9, "PRO", "UPR");
    const protocol::Viewer cleared = viewer("DEMO9", 9, "PRO", "UPR", true);

    // Protocol 2 went to IGI as a whole and to member 1 of RAG.
    const F::Columns sent = sentRows(rows(sentQuery(SentView::NotTaken, all(), plain)), plain);
    ASSERT_EQ(sent.value(0).size(), 3);
    EXPECT_EQ(sent[1][0].toString(), QStringLiteral("2024-0000002"));
    EXPECT_EQ(sent[3][0].toString(), QString::fromUtf8(protocol::scope::kTrayMask));
    QStringList recipients{sent[5][0].toString(), sent[5][1].toString()};
    recipients.sort();
    EXPECT_EQ(recipients, (QStringList{QStringLiteral("DIPARTIMENTO AMMINISTRATIVO - RAGIONERIA - sig. VERDI LUCA"),
                                       QStringLiteral("DIPARTIMENTO DI PREVENZIONE - IGIENE E SANITA' PUBBLICA")}));
    EXPECT_EQ(sent[4][0].toString(), QStringLiteral("03/01/2024  09:00"));
    EXPECT_EQ(sent[6][0].toString(), QStringLiteral("20240103090000"));
    EXPECT_GT(sent[7][0].toLongLong(), 0);

    const F::Columns withRight = sentRows(rows(sentQuery(SentView::NotTaken, all(), cleared)), cleared);
    EXPECT_EQ(withRight[3][0].toString(), QStringLiteral("OGGETTO 2"));

    const F::Columns done = archivedRows(rows(archivedQuery(all(), plain)), plain);
    ASSERT_EQ(done.value(0).size(), 4);
    EXPECT_EQ(done[1][2].toString(), QStringLiteral("2024-0000002"));
    EXPECT_EQ(done[3][2].toString(), QString::fromUtf8(protocol::scope::kTrayMask));
    EXPECT_EQ(done[5][2].toString(), QStringLiteral("10/01/2024  12:00"));
    EXPECT_EQ(archivedRows(rows(archivedQuery(all(), cleared)), cleared)[3][2].toString(), QStringLiteral("OGGETTO 2"));
}

TEST_P(SendVisibility, FiltersAndTheOtherView)
{
    const protocol::Viewer v = viewer("DEMO7", 7, "PRO", "UPR");
    ListCriteria c = all();
    // Whole days at both ends of the period.
    c.from = c.to = QStringLiteral("03/01/2024");
    EXPECT_EQ(progressives(sentQuery(SentView::NotTaken, c, v), 1), QStringLiteral("2,1"));
    c.from = c.to = QStringLiteral("04/01/2024");
    EXPECT_EQ(progressives(sentQuery(SentView::NotTaken, c, v), 1), QString());
    c = all();
    c.year = QStringLiteral("2024");
    c.number = QStringLiteral("1");
    EXPECT_EQ(progressives(sentQuery(SentView::NotTaken, c, v), 1), QStringLiteral("1"));
    c = all();
    c.outgoing = false;
    c.subject = QStringLiteral("oggetto 2");
    EXPECT_EQ(progressives(sentQuery(SentView::NotTaken, c, v), 1), QStringLiteral("2"));
    c.incoming = false;
    EXPECT_EQ(progressives(sentQuery(SentView::NotTaken, c, v), 1), QString());

    // What he took in charge himself and is not completed.
    const QString h = s("20240104100000");
    movement(5, h, 3, s("UPR"), s("DEMO7"), s("S"));
    movement(1, h, 3, s("UPR"), s("DEMO7"), s("N"));
    movement(6, h, 3, s("UPR"), s("DEMO6"), s("S"));
    EXPECT_EQ(progressives(sentQuery(SentView::TakenBefore, all(), v), 1), QStringLiteral("5"));
}

NIMBO_INSTANTIATE_ENGINES(SendVisibility);

} // namespace
