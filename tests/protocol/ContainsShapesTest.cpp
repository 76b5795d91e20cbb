// Every shape a clerk types in the registration window's search gives
// exactly the newest thousand rows of the plain LIKE / ILIKE search, newest
// number first: subjects and names of one or two letters (present often,
// seldom or nowhere), common and rare words, with no period, the last days,
// a whole past year (holding a protocol numbered in another year than its
// date) and an open period; through every way of reading (the period read
// whole, the probe of the newest rows, the walk by number, the indexes).
// The letter indexes follow the rows as they are written and changed.

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>

#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"
#include "protocol/ContainsIndex.h"
#include "protocol/ProtocolRules.h"
#include "protocol/ProtocolSearch.h"
#include "support/TestDb.h"

using namespace nimbo::protocol;

namespace {

QString lit(const QString &t) { return QLatin1Char('\'') + Funzioni_Com_1::quote(t) + QLatin1Char('\''); }

// Equal lists, or where they part.
testing::AssertionResult same(const QStringList &got, const QStringList &want)
{
    if (got == want)
        return testing::AssertionSuccess();
    qsizetype i = 0;
    while (i < got.size() && i < want.size() && got.at(i) == want.at(i))
        ++i;
    return testing::AssertionFailure() << "got " << got.size() << " rows, want " << want.size() << "; first difference at "
                                       << i << ": " << got.value(i).toStdString() << " / " << want.value(i).toStdString();
}

struct Period {
    QDate from, to;
};

class ContainsShapes : public nimbo::test::EngineTest {
protected:
    void TearDown() override
    {
        contains::setCandidateBound(oldBound_);
        contains::setFewCandidates(oldFew_);
        contains::setProbeBounds(oldProbe_);
        EngineTest::TearDown();
    }
    void sql(const QString &statement)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(statement)) << statement.left(300).toStdString() << "\n" << q.lastError().text().toStdString();
    }
    QStringList rows(const QString &statement)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(statement)) << statement.left(300).toStdString() << "\n" << q.lastError().text().toStdString();
        QStringList out;
        while (q.next())
            out << q.value(0).toString() + q.value(1).toString();
        return out;
    }
    QString like(const QString &column, const QString &typed)
    {
        return Dialect::likeNoCase(db().engine(), column, lit(QLatin1Char('%') + typed.trimmed() + QLatin1Char('%')));
    }
    void fill();
    // The plain search: every condition as written, newest thousand.
    QStringList plain(const QString &subject, const QString &name, const Period &period)
    {
        QString where = QStringLiteral("p.Tab_Ente = '001'");
        if (!subject.isEmpty())
            where += QStringLiteral(" AND ") + like(QStringLiteral("p.Tab_Oggetto"), subject);
        if (!name.isEmpty())
            where += QStringLiteral(" AND (p.Tab_Intestatario IN (SELECT Tab_Identificativo FROM Tab_Rubrica WHERE "
                                    "Tab_EnteRubrica = '001' AND ")
                     + like(QStringLiteral("Tab_Denominazione"), name)
                     + QStringLiteral(") OR EXISTS (SELECT 1 FROM Tab_ProtocolloDestinatari d JOIN Tab_Rubrica r2 ON "
                                      "r2.Tab_EnteRubrica = d.Tab_Ente AND r2.Tab_Identificativo = d.Tab_MittDest "
                                      "WHERE d.Tab_Ente = p.Tab_Ente AND d.Tab_TipoProtocollo = p.Tab_TipoProtocollo "
                                      "AND d.Tab_NumeroProtocollo = p.Tab_NumeroProtocollo AND ")
                     + like(QStringLiteral("r2.Tab_Denominazione"), name) + QStringLiteral("))");
        if (period.from.isValid())
            where += QStringLiteral(" AND p.Tab_DataProtocollo >= ") + sqlDate(period.from);
        if (period.to.isValid())
            where += QStringLiteral(" AND p.Tab_DataProtocollo <= ") + sqlDate(period.to);
        return rows(QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo FROM Tab_Protocollo p WHERE ")
                    + where + QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo DESC LIMIT 1000"));
    }
    QStringList searched(const QString &subject, const QString &name, const Period &period)
    {
        SearchCriteria c;
        c.subject = subject;
        c.correspondent = name;
        const auto shown = [](const QDate &d) { return d.isValid() ? d.toString(QStringLiteral("dd/MM/yyyy")) : QString(); };
        c.from = shown(period.from);
        c.to = shown(period.to);
        Viewer v;
        v.ente = QStringLiteral("001");
        v.level = 9;
        v.privacy = true;
        return rows(searchQuery(c, v));
    }
    QString number(int year, int g) const { return QStringLiteral("%1%2").arg(year).arg(g, 7, 10, QLatin1Char('0')); }

    const QDate today_ = QDate::currentDate();
    const int year_ = today_.year();
    const int oldBound_ = contains::candidateBound();
    const int oldFew_ = contains::fewCandidates();
    const contains::ProbeBounds oldProbe_ = contains::probeBounds();
};

// 3000 protocols over this year and the two before, a third each; every
// 97th numbered in this year but dated in the last one. Words: "comune" in
// half the subjects, "raro" in one in 37, "Qatar" in one in 101, "città" in
// a third. Names: "COMUNE DI" one in four, one "Dell'Acqua"; a further
// recipient on one protocol in seven. Another body shares the numbers.
void ContainsShapes::fill()
{
    QStringList names;
    for (int i = 1; i <= 40; ++i)
        names << QStringLiteral("(%1, '001', %2)")
                     .arg(i)
                     .arg(lit(i == 13 ? QStringLiteral("Studio Dell'Acqua")
                              : i % 4 == 0 ? QStringLiteral("COMUNE DI Paese %1").arg(i)
                              : i % 2     ? QStringLiteral("Ditta Rossi %1").arg(i)
                                          : QStringLiteral("Studio Bianchi %1").arg(i)));
    names << QStringLiteral("(13, '002', 'Comune di Qz')");
    sql(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione) VALUES ")
        + names.join(QLatin1Char(',')));
    QStringList values, further;
    const auto flush = [&] {
        if (!values.isEmpty())
            sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                               "Tab_DataProtocollo, Tab_Oggetto, Tab_Intestatario, Tab_StatoProtocollo) VALUES ")
                + values.join(QLatin1Char(',')));
        if (!further.isEmpty())
            sql(QStringLiteral("INSERT INTO Tab_ProtocolloDestinatari (Tab_Ente, Tab_TipoProtocollo, "
                               "Tab_NumeroProtocollo, Tab_MittDest, Tab_principale) VALUES ")
                + further.join(QLatin1Char(',')));
        values.clear();
        further.clear();
    };
    for (int g = 1; g <= 3000; ++g) {
        const int age = g % 3;
        QDate date = age == 0 ? today_.addDays(-(g % 20)) : QDate(year_ - age, 1, 1).addDays(g % 360);
        int year = year_ - age;
        if (g % 97 == 0) {
            year = year_;
            date = QDate(year_ - 1, 6, 15);
        }
        QString subject = QStringLiteral("Nota %1").arg(g);
        if (g % 2 == 0)
            subject += QStringLiteral(" comune");
        if (g % 37 == 0)
            subject += QStringLiteral(" raro");
        if (g % 101 == 0)
            subject += QStringLiteral(" Qatar");
        // A letter outside ASCII that a locale lowers to an ASCII one.
        if (g % 103 == 0)
            subject += QString::fromUtf8(" \u212Aelvin");
        if (g % 3 == 0)
            subject += QStringLiteral(" città");
        const QString dir = g % 2 ? QStringLiteral("U") : QStringLiteral("E");
        values << QStringLiteral("('001', '%1', '%2', %3, %4, %5, 'A')")
                      .arg(dir, number(year, g), sqlDate(date), lit(subject))
                      .arg(g % 40 + 1);
        if (g % 10 == 0)
            values << QStringLiteral("('002', '%1', '%2', %3, 'Qz comune raro', 13, 'A')").arg(dir, number(year, g), sqlDate(date));
        if (g % 7 == 0)
            further << QStringLiteral("('001', '%1', '%2', %3, 'N')").arg(dir, number(year, g)).arg((g * 3) % 40 + 1);
        if (values.size() >= 300)
            flush();
    }
    flush();
}

} // namespace

TEST_P(ContainsShapes, NewestThousandOfThePlainSearchForEveryShape)
{
    ASSERT_TRUE(db().ok()) << db().error().toStdString();
    fill();
    const Period none, week{today_.addDays(-7), today_}, pastYear{QDate(year_ - 1, 1, 1), QDate(year_ - 1, 12, 31)},
        open{QDate(year_ - 1, 3, 1), {}}, twoYears{QDate(year_ - 2, 11, 1), QDate(year_ - 1, 2, 28)};
    // Default bounds; the period never read whole and a probe of one row,
    // with a walk that reaches everything (walk by number) or nothing (the
    // indexes); a probe large enough to hold the list; a period always read
    // whole; no SQLite candidates read at once.
    const contains::ProbeBounds bounds[] = {oldProbe_, {0, 1, 1000000000}, {0, 1, 1}, {0, 3000, 3000}, {1000000, 1, 1}};
    const char *const subjects[] = {"comune", "raro", "qa", "qz", "ri", "à", "CITTÀ", "o", "n_t", "%", "Nota 1%", "KELV", "citt"};
    const char *const names[] = {"comune", "rossi", "dell'acqua", "co", "qz", "a", "o_n"};
    for (const auto &b : bounds) {
        contains::setProbeBounds(b);
        for (const int bound : {oldBound_, 1}) {
            // A bound of one also takes away the few candidates read at once.
            contains::setCandidateBound(bound);
            contains::setFewCandidates(bound == 1 ? 0 : oldFew_);
            for (const Period *period : {&none, &week, &pastYear, &open, &twoYears}) {
                const auto shape = [&] {
                    return QStringLiteral(" bounds %1/%2/%3 candidates %4 period %5")
                        .arg(b.periodRows).arg(b.probeRows).arg(b.walkReach).arg(bound)
                        .arg(period->from.toString(Qt::ISODate)).toStdString();
                };
                for (const char *s : subjects)
                    EXPECT_TRUE(same(searched(QString::fromUtf8(s), {}, *period), plain(QString::fromUtf8(s), {}, *period)))
                        << "subject " << s << shape();
                for (const char *n : names)
                    EXPECT_TRUE(same(searched({}, QString::fromUtf8(n), *period), plain({}, QString::fromUtf8(n), *period)))
                        << "name " << n << shape();
                for (const auto &[s, n] : {std::pair{"comune", "rossi"}, std::pair{"qa", "co"}, std::pair{"ri", "qz"}})
                    EXPECT_TRUE(same(searched(QString::fromUtf8(s), QString::fromUtf8(n), *period),
                                     plain(QString::fromUtf8(s), QString::fromUtf8(n), *period)))
                        << "both " << s << " " << n << shape();
            }
        }
    }
    // The register holds every kind: a full list, a rare word, a pair found
    // nowhere in this body, the late protocol in the past year.
    EXPECT_EQ(plain(QStringLiteral("comune"), {}, none).size(), 1000);
    EXPECT_EQ(plain(QStringLiteral("qa"), {}, none).size(), 29);
    EXPECT_TRUE(plain(QStringLiteral("qz"), {}, none).isEmpty());
    EXPECT_TRUE(plain({}, QStringLiteral("qz"), none).isEmpty());
    EXPECT_TRUE(plain(QStringLiteral("comune"), {}, pastYear).contains(QStringLiteral("E") + number(year_, 97 * 2)));
}

TEST_P(ContainsShapes, LetterIndexesFollowWritesAndChanges)
{
    ASSERT_TRUE(db().ok()) << db().error().toStdString();
    fill();
    contains::setProbeBounds({0, 1, 1}); // the indexes answer
    const Period none;
    const QString first = number(year_, 3);
    EXPECT_TRUE(searched(QStringLiteral("qz"), {}, none).isEmpty());
    sql(QStringLiteral("UPDATE Tab_Protocollo SET Tab_Oggetto = 'Ricorso QZ-7' WHERE Tab_Ente = '001' AND "
                       "Tab_NumeroProtocollo = '%1'")
            .arg(first));
    EXPECT_EQ(searched(QStringLiteral("qz"), {}, none), QStringList{QStringLiteral("U") + first});
    EXPECT_EQ(searched(QStringLiteral("z-"), {}, none), QStringList{QStringLiteral("U") + first});
    // The old subject's letters are gone with it.
    EXPECT_EQ(searched(QStringLiteral("qa"), {}, none), plain(QStringLiteral("qa"), {}, none));
    sql(QStringLiteral("UPDATE Tab_Protocollo SET Tab_Oggetto = 'Ricorso' WHERE Tab_Ente = '001' AND "
                       "Tab_NumeroProtocollo = '%1'")
            .arg(first));
    EXPECT_TRUE(searched(QStringLiteral("qz"), {}, none).isEmpty());

    // A name renamed: found by its new letters only; a new name at once.
    sql(QStringLiteral("UPDATE Tab_Rubrica SET Tab_Denominazione = 'Kappa Jx' WHERE Tab_EnteRubrica = '001' AND "
                       "Tab_Identificativo = 13"));
    EXPECT_FALSE(searched({}, QStringLiteral("jx"), none).isEmpty());
    EXPECT_EQ(searched({}, QStringLiteral("jx"), none), plain({}, QStringLiteral("jx"), none));
    EXPECT_EQ(searched({}, QStringLiteral("dell'acqua"), none), QStringList());
    sql(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione) VALUES (41, '001', 'Wü')"));
    sql(QStringLiteral("UPDATE Tab_Protocollo SET Tab_Intestatario = 41 WHERE Tab_Ente = '001' AND Tab_NumeroProtocollo = '%1'")
            .arg(number(year_, 6)));
    EXPECT_EQ(searched({}, QStringLiteral("WÜ"), none), plain({}, QStringLiteral("WÜ"), none));
    EXPECT_EQ(searched({}, QStringLiteral("WÜ"), none).size(), 1);

    if (db().engine() == Dialect::Engine::SQLite) {
        for (const char *fts : {"Tab_Protocollo_Lettere_fts", "Tab_Rubrica_Lettere_fts"})
            sql(QStringLiteral("INSERT INTO %1 (%1) VALUES ('integrity-check')").arg(QLatin1String(fts)));
    }
}

NIMBO_INSTANTIATE_ENGINES(ContainsShapes);
