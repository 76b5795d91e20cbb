// The search of the linked-acts window on both engines: what each level
// sees, the criteria a level may not widen, dates compared as dates, the
// "SI"/"NO" column, the masking of reserved protocols and the row limit.

#include "ActsFixture.h"
#include "search/ActsRules.h"
#include "startup/LoginRules.h"

using namespace nimbo;
using search::ActsCriteria;
using search::actsSearchQuery;

namespace {

class ActsSearch : public test::ActsTest {};

TEST_P(ActsSearch, EachLevelSeesWhatItsScopeAllowsWhateverItTypes)
{
    seedRegister();
    ActsCriteria c;
    // Level 6: his own registrations only, wherever they were made; the
    // operator, department and office he types cannot widen that.
    const auto six = viewer(6, "DEMO6", "PRO", "UPR");
    EXPECT_EQ(numbers(actsSearchQuery(c, six)), (QStringList{"20260000005", "20260000001"}));
    c.operatorCode = QStringLiteral("DEMO9");
    c.department = QStringLiteral("SAN");
    c.office = QStringLiteral("IGI");
    EXPECT_EQ(numbers(actsSearchQuery(c, six)), (QStringList{"20260000005", "20260000001"}));
    // The outgoing one is found in its own direction.
    c.direction = QStringLiteral("U");
    EXPECT_EQ(numbers(actsSearchQuery(c, six)), QStringList{"20260000007"});

    // Level 7: his department and office, or what he registered himself
    // (another office of the department); the operator criterion applies.
    const auto seven = viewer(7, "DEMO7", "PRO", "UPR");
    c = ActsCriteria{};
    EXPECT_EQ(numbers(actsSearchQuery(c, seven)), (QStringList{"20260000003", "20260000002", "20260000001"}));
    c.department = QStringLiteral("AMM");
    c.office = QStringLiteral("RAG");
    EXPECT_EQ(numbers(actsSearchQuery(c, seven)), (QStringList{"20260000003", "20260000002", "20260000001"}));
    c.operatorCode = QStringLiteral("DEMO9");
    EXPECT_EQ(numbers(actsSearchQuery(c, seven)), QStringList{"20260000003"});

    // Level 8: his department or what he registered; office and operator
    // criteria apply, a typed department does not widen it.
    const auto eight = viewer(8, "DEMO8", "AMM", "RAG");
    c = ActsCriteria{};
    c.department = QStringLiteral("PRO");
    EXPECT_EQ(numbers(actsSearchQuery(c, eight)), (QStringList{"20260000005", "20260000004"}));
    c.operatorCode = QStringLiteral("DEMO6");
    EXPECT_EQ(numbers(actsSearchQuery(c, eight)), QStringList{"20260000005"});
    c = ActsCriteria{};
    c.office = QStringLiteral("UPR");
    EXPECT_TRUE(numbers(actsSearchQuery(c, eight)).isEmpty());

    // Level 9: the whole body, the criteria as typed.
    const auto nine = viewer(9, "DEMO9", "PRO", "UPR", true);
    c = ActsCriteria{};
    EXPECT_EQ(numbers(actsSearchQuery(c, nine)).size(), 6);
    c.department = QStringLiteral("SAN");
    EXPECT_EQ(numbers(actsSearchQuery(c, nine)), QStringList{"20260000006"});
    c = ActsCriteria{};
    c.office = QStringLiteral("ARC");
    EXPECT_EQ(numbers(actsSearchQuery(c, nine)), QStringList{"20260000002"});
    c = ActsCriteria{};
    c.operatorCode = QStringLiteral("DEMO6");
    EXPECT_EQ(numbers(actsSearchQuery(c, nine)), (QStringList{"20260000005", "20260000001"}));
    // A level outside 6-9 is held to his own registrations.
    EXPECT_EQ(numbers(actsSearchQuery(ActsCriteria{}, viewer(0, "DEMO6", "AMM", "RAG"))),
              (QStringList{"20260000005", "20260000001"}));
}

TEST_P(ActsSearch, CriteriaCompareDatesAsDatesAndQuoteTexts)
{
    seedRegister();
    const auto nine = viewer(9, "DEMO9", "PRO", "UPR", true);
    ActsCriteria c;
    // "01/15/2026" against "02/01/2026" as texts would reverse the order of
    // the months and years; both ends of a comparison are inclusive.
    c.protocolDate = QDate(2026, 1, 15);
    c.protocolDateOperator = QStringLiteral("<=");
    EXPECT_EQ(numbers(actsSearchQuery(c, nine)), (QStringList{"20260000002", "20260000001"}));
    c.protocolDateOperator = QStringLiteral(">=");
    c.receiptDate = QDate(2026, 2, 1);
    c.receiptDateOperator = QStringLiteral("<=");
    EXPECT_EQ(numbers(actsSearchQuery(c, nine)), (QStringList{"20260000004", "20260000003", "20260000002"}));

    c = ActsCriteria{};
    c.subject = QStringLiteral("DELL'UFFICIO");
    EXPECT_EQ(numbers(actsSearchQuery(c, nine)), QStringList{"20260000001"});
    c = ActsCriteria{};
    c.correspondent = QStringLiteral("3");
    c.docType = QStringLiteral("LET");
    EXPECT_EQ(numbers(actsSearchQuery(c, nine)), QStringList{"20260000003"});
    // A correspondent code must be a number before it reaches the statement.
    c.correspondent = QStringLiteral("3 OR 1=1");
    ASSERT_TRUE(search::checkActsCriteria(c).has_value());
    EXPECT_EQ(search::checkActsCriteria(c)->control, QStringLiteral("CodiceMitDest"));
}

TEST_P(ActsSearch, ListsEachProtocolOnceWithWhetherActsAreLinked)
{
    seedRegister();
    linkAct("20260000003", "DEL", "12/2026", "2026-02-10");
    linkAct("20260000003", "DET", "7", "2026-02-11");
    linkAct("20260000005", "DEL", "1", "2026-02-12");
    const QStringList found = rows(actsSearchQuery(ActsCriteria{}, viewer(9, "DEMO9", "PRO", "UPR", true)));
    ASSERT_EQ(found.size(), 6);
    QStringList linked;
    for (const QString &r : found)
        linked << r.section(QLatin1Char('|'), 1, 1) + QLatin1Char('=') + r.section(QLatin1Char('|'), 5, 5);
    EXPECT_EQ(linked, (QStringList{"2026-0000006=NO", "2026-0000005=SI", "2026-0000004=NO", "2026-0000003=SI",
                                   "2026-0000002=NO", "2026-0000001=NO"}));
}

TEST_P(ActsSearch, ReservedSubjectsAreMaskedUnlessTheRightIsS)
{
    seedRegister();
    const QString mask = QString::fromLatin1(search::kActsMask);
    ASSERT_EQ(mask, QString(39, QLatin1Char('*')));
    const auto subjectOfReserved = [this] {
        ActsCriteria c;
        c.department = QStringLiteral("SAN");
        const QStringList found = rows(actsSearchQuery(c, protocol::Viewer::fromSession()));
        return found.size() == 1 ? found.first().section(QLatin1Char('|'), 4, 4) : QStringLiteral("?");
    };
    const auto findsByWord = [this] {
        ActsCriteria c;
        c.subject = QStringLiteral("segreto");
        return numbers(actsSearchQuery(c, protocol::Viewer::fromSession()));
    };
    // The right as the login reads it from the operator's row.
    for (const char *right : {"N", "", "S"}) {
        SCOPED_TRACE(right);
        sql(QStringLiteral("UPDATE Tab_Operatori SET Op_AbilPrivacy = '%1' WHERE Op_Codice_Operatore = 'DEMO9'")
                .arg(QLatin1String(right)));
        const auto row = Funzioni_Com_1::Caricadati(QStringLiteral("PROTOCOLLO"),
                                                    LoginRules::operatorQuery(QStringLiteral("DEMO9")));
        ASSERT_TRUE(row.has_value());
        LoginRules::storeOperator(*row);
        if (qstrcmp(right, "S") == 0) {
            EXPECT_EQ(subjectOfReserved(), QStringLiteral("Segreto sanitario"));
            EXPECT_EQ(findsByWord(), QStringList{"20260000006"});
        } else {
            EXPECT_EQ(subjectOfReserved(), mask);
            // A word of the hidden subject does not find it either.
            EXPECT_TRUE(findsByWord().isEmpty());
        }
    }
}

TEST_P(ActsSearch, ListsAtMostFiveHundredNewestFirst)
{
    QStringList values;
    for (int i = 1; i <= 520; ++i)
        values << QStringLiteral("('001', 'E', '2025%1', '2025-03-01', '2025-03-01', '10:00:00', 'Massa', 'PRO', "
                                 "'UPR', 'DEMO9', 'N', 'A')")
                      .arg(i, 7, 10, QLatin1Char('0'));
    sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataProtocollo, Tab_DataRegistrazione, Tab_OraProtocollo, Tab_Oggetto, Tab_SedeRicezione, "
                       "Tab_UfficioRegistrazione, Tab_CodiceOpeReg, Tab_SoggPrivacy, Tab_StatoProtocollo) VALUES ")
        + values.join(QStringLiteral(", ")));
    const QStringList found = numbers(actsSearchQuery(ActsCriteria{}, viewer(9, "DEMO9", "PRO", "UPR", true)));
    ASSERT_EQ(found.size(), 500);
    EXPECT_EQ(found.first(), QStringLiteral("20250000520"));
    EXPECT_EQ(found.last(), QStringLiteral("20250000021"));
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(ActsSearch);
