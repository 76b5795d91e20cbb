// A subject search over a register of several years finds exactly the
// newest thousand rows of the plain LIKE search, newest number first:
// whether the word fills the newest years, lies only in a year older than
// any asked one by one, or matches exactly as many rows as the list holds;
// with the operator's office and privacy rules applied on every way of
// reading (text index candidates, the walk by number, year by year).

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <utility>

#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"
#include "protocol/ContainsIndex.h"
#include "protocol/ProtocolRules.h"
#include "protocol/ProtocolSearch.h"
#include "support/TestDb.h"

using namespace nimbo::protocol;

namespace {

QString lit(const QString &t) { return QLatin1Char('\'') + Funzioni_Com_1::quote(t) + QLatin1Char('\''); }

class YearlySearch : public nimbo::test::EngineTest {
protected:
    void TearDown() override
    {
        contains::setCandidateBound(oldBound_);
        contains::setFewCandidates(oldFew_);
        EngineTest::TearDown();
    }
    void sql(const QString &statement)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(statement)) << statement.left(300).toStdString() << "\n" << q.lastError().text().toStdString();
    }
    // Direction and number of every row, in the order given.
    QStringList rows(const QString &statement)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(statement)) << statement.left(300).toStdString() << "\n" << q.lastError().text().toStdString();
        QStringList out;
        while (q.next())
            out << q.value(0).toString() + q.value(1).toString();
        return out;
    }
    // Number g: the year follows g % 4 (this year, the two before, and one
    // seven years back, older than the years searched one by one).
    static int yearOf(int g, int thisYear) { return thisYear - (g % 4 == 3 ? 7 : g % 4); }
    void fill();

    QStringList plain(const QString &word, const Viewer &v, bool period)
    {
        QString where = QStringLiteral("p.Tab_Ente = '001' AND ")
                        + Dialect::likeNoCase(db().engine(), QStringLiteral("p.Tab_Oggetto"),
                                              lit(QLatin1Char('%') + word + QLatin1Char('%')));
        if (v.level == 7)
            where += QStringLiteral(" AND p.Tab_SedeRicezione = %1 AND p.Tab_UfficioRegistrazione = %2")
                         .arg(lit(v.department), lit(v.office));
        if (!v.privacy)
            where += QStringLiteral(" AND (COALESCE(p.Tab_SoggPrivacy, 'N') <> 'S' OR p.Tab_CodiceOpeReg = %1)")
                         .arg(lit(v.operatorCode));
        if (period)
            where += QStringLiteral(" AND p.Tab_DataProtocollo >= ") + sqlDate(today_.addDays(-7))
                     + QStringLiteral(" AND p.Tab_DataProtocollo <= ") + sqlDate(today_);
        return rows(QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo FROM Tab_Protocollo p WHERE ")
                    + where + QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo DESC LIMIT 1000"));
    }
    QStringList searched(const QString &word, const Viewer &v, bool period)
    {
        SearchCriteria c;
        c.subject = word;
        if (period) {
            c.from = today_.addDays(-7).toString(QStringLiteral("dd/MM/yyyy"));
            c.to = today_.toString(QStringLiteral("dd/MM/yyyy"));
        }
        return rows(searchQuery(c, v));
    }

    QDate today_ = QDate::currentDate();
    int oldBound_ = contains::candidateBound();
    int oldFew_ = contains::fewCandidates();
};

void YearlySearch::fill()
{
    const int year = today_.year();
    QStringList values;
    const auto flush = [&] {
        if (values.isEmpty())
            return;
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_Oggetto, Tab_SedeRicezione, Tab_UfficioRegistrazione, "
                           "Tab_CodiceOpeReg, Tab_SoggPrivacy, Tab_StatoProtocollo) VALUES ")
            + values.join(QLatin1Char(',')));
        values.clear();
    };
    const auto add = [&](const QString &ente, int g, int y, const QString &subject) {
        const bool office = g % 3 == 0;
        values << QStringLiteral("(%1, '%2', '%3%4', %5, %6, '%7', '%8', '%9', '%10', 'A')")
                      .arg(lit(ente), g % 2 ? QStringLiteral("U") : QStringLiteral("E"))
                      .arg(y)
                      .arg(g, 7, 10, QLatin1Char('0'))
                      .arg(sqlDate(today_.addDays(-(g % 20))), lit(subject))
                      .arg(office ? QStringLiteral("PRO") : QStringLiteral("AMM"),
                           office ? QStringLiteral("UPR") : QStringLiteral("UAM"),
                           g % 7 == 0 ? QStringLiteral("OP1") : QStringLiteral("OP2"),
                           g % 5 == 0 ? QStringLiteral("S") : QStringLiteral("N"));
        if (values.size() == 400)
            flush();
    };
    for (int g = 1; g <= 4000; ++g) {
        QString subject = QStringLiteral("Parola comune %1").arg(g);
        // Exactly a thousand rows, over this year and the one before.
        if (g <= 2000 && g % 4 <= 1)
            subject += QStringLiteral(" esattamente");
        // Only in the year seven years back.
        if (g % 4 == 3)
            subject += QStringLiteral(" anticaglia");
        // Sparse: one row in thirty, over every year.
        if (g % 30 == 0)
            subject += QStringLiteral(" sporadico");
        add(QStringLiteral("001"), g, yearOf(g, year), subject);
        // Another body shares the numbers and the words: never found.
        if (g % 10 == 0)
            add(QStringLiteral("002"), g, yearOf(g, year), subject);
    }
    // Two years ahead of the clock: past every year asked one by one.
    for (int g = 1; g <= 3; ++g)
        add(QStringLiteral("001"), g, year + 2, QStringLiteral("comune anticipato"));
    flush();
}

} // namespace

TEST_P(YearlySearch, NewestThousandOfThePlainSearchOnEveryWayOfReading)
{
    ASSERT_TRUE(db().ok()) << db().error().toStdString();
    fill();
    Viewer all;
    all.ente = QStringLiteral("001");
    all.level = 9;
    all.privacy = true;
    all.operatorCode = QStringLiteral("OP9");
    Viewer office;
    office.ente = QStringLiteral("001");
    office.level = 7;
    office.department = QStringLiteral("PRO");
    office.office = QStringLiteral("UPR");
    office.operatorCode = QStringLiteral("OP1");
    // The default bounds; no few candidates (every search goes year by year
    // or along the period); a bound of one (every year walked by number).
    const std::pair<int, int> tried[] = {{oldBound_, oldFew_}, {oldBound_, 0}, {1, 0}, {1, oldFew_}};
    const char *const words[] = {"comune", "esattamente", "anticaglia", "sporadico", "anticipato", "inesistente"};
    for (const auto &[bound, few] : tried) {
        contains::setCandidateBound(bound);
        contains::setFewCandidates(few);
        for (const char *w : words) {
            for (const Viewer *v : {&all, &office}) {
                for (const bool period : {false, true}) {
                    const QString word = QString::fromLatin1(w);
                    EXPECT_EQ(searched(word, *v, period), plain(word, *v, period))
                        << w << " level " << v->level << " period " << period << " bound " << bound << " few " << few;
                }
            }
        }
    }
    // The shapes themselves: the list is full, comes from several years and
    // reaches the rows ahead of the clock; the old word is found whole.
    const QStringList common = plain(QStringLiteral("comune"), all, false);
    ASSERT_EQ(common.size(), 1000);
    EXPECT_TRUE(common.first().endsWith(QStringLiteral("%1%2").arg(today_.year() + 2).arg(3, 7, 10, QLatin1Char('0'))));
    EXPECT_EQ(plain(QStringLiteral("esattamente"), all, false).size(), 1000);
    EXPECT_EQ(plain(QStringLiteral("anticaglia"), all, false).size(), 1000);
}

NIMBO_INSTANTIATE_ENGINES(YearlySearch);
