#include "protocol/ContainsIndex.h"

#include <QSet>
#include <QStringList>
#include <algorithm>
#include <functional>

#include "data/Dialect.h"
#include "data/LetterGrams.h"
#include "data/SearchNames.h"
#include "data/Funzioni_Com_1.h"

namespace F = Funzioni_Com_1;

namespace nimbo::protocol::contains {
namespace {

using Dialect::Engine;

int bound_ = 50000;
// A period of up to periodRows protocols is read whole; probeRows newest
// protocols are read first; a walk is expected to meet the list within
// walkReach rows. Reading a row costs about what reading a candidate does,
// so a text rarer than the list in walkReach rows has fewer candidates than
// that walk would read.
ProbeBounds probe_{20000, 5000, 15000};
// The most trigrams asked of the full-text index for one search.
constexpr int kMaxTrigrams = 8;
// Up to this many candidates (never more than the bound) are read whatever
// else bounds the search.
int few_ = 1000;

Engine engine() { return Dialect::centralTarget().engine; }

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

QString likeContains(const QString &column, const QString &typed)
{
    return Dialect::likeNoCase(engine(), column, q(QLatin1Char('%') + typed.trimmed() + QLatin1Char('%')));
}

// The full-text query for SQLite's trigram tables: every trigram of every
// literal run, all required. It may let through a row whose trigrams are
// present but apart; the plain condition kept beside it drops that row.
QString trigramQuery(const QString &typed)
{
    QStringList terms;
    QSet<QString> seen;
    for (const QString &run : literalRuns(typed)) {
        const QList<uint> points = run.toUcs4();
        for (qsizetype i = 0; i + 3 <= points.size(); ++i) {
            const QString t = QString::fromUcs4(reinterpret_cast<const char32_t *>(points.constData() + i), 3);
            const QString folded = t.toLower();
            if (seen.contains(folded))
                continue;
            seen.insert(folded);
            terms << QLatin1Char('"') + QString(t).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
        }
    }
    // Each term costs a look-up in every segment of the index: a subject
    // typed in full would ask for dozens. A handful spread over the text
    // already finds few rows, and the plain condition decides on them.
    if (terms.size() > kMaxTrigrams) {
        QStringList spread;
        for (int i = 0; i < kMaxTrigrams; ++i)
            spread << terms.at(int(qint64(i) * (terms.size() - 1) / (kMaxTrigrams - 1)));
        terms = spread;
    }
    return terms.join(QStringLiteral(" AND "));
}

// Address-book keys of the body whose name may contain the text.
QString nameKeys(const QString &ente, const QString &typed)
{
    if (engine() == Engine::PostgreSQL)
        return QStringLiteral("SELECT Tab_Identificativo FROM Tab_Rubrica WHERE Tab_EnteRubrica = ") + q(ente)
               + QStringLiteral(" AND ") + likeContains(QStringLiteral("Tab_Denominazione"), typed);
    return QStringLiteral("SELECT Tab_Identificativo FROM Tab_Rubrica WHERE Tab_EnteRubrica = ") + q(ente)
           + QStringLiteral(" AND rowid IN (SELECT rowid FROM Tab_Rubrica_Denominazione_fts WHERE "
                            "Tab_Rubrica_Denominazione_fts MATCH ")
           + q(trigramQuery(typed)) + QLatin1Char(')');
}

} // namespace

int candidateBound() { return bound_; }

int setCandidateBound(int bound)
{
    const int old = bound_;
    bound_ = bound;
    return old;
}

int fewCandidates() { return few_; }

int setFewCandidates(int few)
{
    const int old = few_;
    few_ = few;
    return old;
}

QStringList literalRuns(const QString &typed)
{
    QStringList runs;
    QString cur;
    for (const QChar ch : typed.trimmed()) {
        if (ch == QLatin1Char('%') || ch == QLatin1Char('_')) {
            if (!cur.isEmpty())
                runs << cur;
            cur.clear();
        } else {
            cur += ch;
        }
    }
    if (!cur.isEmpty())
        runs << cur;
    return runs;
}

bool indexable(const QString &typed)
{
    for (const QString &run : literalRuns(typed))
        if (run.toUcs4().size() >= 3)
            return true;
    return false;
}

bool shortText(const QString &typed) { return !literalRuns(typed).isEmpty() && !indexable(typed); }

namespace {

// Each letter (a run of one) or pair of letters of the typed runs, as SQL
// expressions folded by the engine itself, so that they are cut from the
// text the way the indexes cut the stored ones.
QStringList letterPieces(const QString &typed, const std::function<QString(const QString &, int, int)> &piece)
{
    QStringList out;
    for (const QString &run : literalRuns(typed)) {
        const qsizetype n = run.toUcs4().size();
        if (n == 1)
            out << piece(q(run), 1, 1);
        for (qsizetype i = 1; i < n; ++i)
            out << piece(q(run), int(i), 2);
    }
    return out;
}

QString sqliteLetterMatch(const QString &table, const QString &typed)
{
    const QStringList words = letterPieces(typed, [](const QString &text, int at, int length) {
        return LetterGrams::sqliteWord(text, QString::number(at), length);
    });
    return table + QStringLiteral(" MATCH (") + words.join(QStringLiteral(" || ' AND ' || ")) + QLatin1Char(')');
}

QString pgLetterMatch(const QString &column, const QString &typed)
{
    const QStringList pieces = letterPieces(typed, [](const QString &text, int at, int length) {
        return QStringLiteral("substr(lower(%1), %2, %3)").arg(text).arg(at).arg(length);
    });
    return LetterGrams::pgGrams(column) + QStringLiteral(" @> ARRAY[") + pieces.join(QStringLiteral(", "))
           + QLatin1Char(']');
}

} // namespace

QString subjectLetters(const QString &typed, const QString &column)
{
    if (engine() == Engine::PostgreSQL)
        return pgLetterMatch(column, typed);
    return sqliteLetterMatch(LetterGrams::kSubjectTable, typed);
}

QString nameLetters(const QString &typed, const QString &rowid, const QString &column)
{
    if (engine() == Engine::PostgreSQL)
        return pgLetterMatch(column, typed);
    return rowid + QStringLiteral(" IN (SELECT rowid FROM ") + LetterGrams::kNameTable + QStringLiteral(" WHERE ")
           + sqliteLetterMatch(LetterGrams::kNameTable, typed) + QLatin1Char(')');
}

QString subjectCandidates(const QString &ente, const QString &typed, const QString &directionFilter)
{
    if (engine() == Engine::PostgreSQL) {
        QString sql = QStringLiteral("SELECT c.ctid AS k FROM Tab_Protocollo c WHERE c.Tab_Ente = ") + q(ente);
        if (!directionFilter.isEmpty())
            sql += QStringLiteral(" AND c.Tab_TipoProtocollo = ") + q(directionFilter);
        return sql + QStringLiteral(" AND ") + likeContains(QStringLiteral("c.Tab_Oggetto"), typed);
    }
    // The table holds every body's subjects; the body is checked on the rows.
    return QStringLiteral("SELECT c.rowid AS k FROM Tab_Protocollo_Ordine_fts CROSS JOIN Tab_Protocollo_Ordine o "
                          "CROSS JOIN Tab_Protocollo c WHERE ")
           + orderedSubjectMatch(typed)
           + QStringLiteral(" AND o.k = Tab_Protocollo_Ordine_fts.rowid AND c.Tab_Ente = o.Tab_Ente AND "
                            "c.Tab_TipoProtocollo = o.Tab_TipoProtocollo AND c.Tab_NumeroProtocollo = "
                            "o.Tab_NumeroProtocollo");
}

QString orderedSubjectMatch(const QString &typed)
{
    if (engine() == Engine::PostgreSQL)
        return {};
    return QStringLiteral("Tab_Protocollo_Ordine_fts MATCH ") + q(trigramQuery(typed));
}

QString orderedNameMatch(const QString &typed)
{
    if (engine() == Engine::PostgreSQL)
        return {};
    return SearchNames::kTable + QStringLiteral(" MATCH ") + q(trigramQuery(typed));
}

QString orderedWalk(const QString &table, const QString &match, const QString &filters, const QString &alias,
                    int fromYear, int toYear, int limit)
{
    // A key is the protocol number times 2^26 plus a slot (see the order
    // triggers): a year's numbers are one range of keys.
    const auto firstKey = [](int year) { return QString::number(qlonglong(year) * 10000000LL * 67108864LL); };
    QString years;
    if (fromYear > 0)
        years += QStringLiteral(" AND ") + table + QStringLiteral(".rowid >= ") + firstKey(fromYear);
    if (toYear > 0)
        years += QStringLiteral(" AND ") + table + QStringLiteral(".rowid < ") + firstKey(toYear + 1);
    return QStringLiteral("SELECT p.rowid AS ") + alias + QStringLiteral(" FROM ") + table
           + QStringLiteral(" CROSS JOIN Tab_Protocollo_Ordine o CROSS JOIN Tab_Protocollo p WHERE ") + match + years
           + QStringLiteral(" AND o.k = ") + table
           + QStringLiteral(".rowid AND p.Tab_Ente = o.Tab_Ente AND p.Tab_TipoProtocollo = o.Tab_TipoProtocollo AND "
                            "p.Tab_NumeroProtocollo = o.Tab_NumeroProtocollo AND (")
           + filters + QStringLiteral(") ORDER BY ") + table + QStringLiteral(".rowid DESC")
           + (limit >= 0 ? QStringLiteral(" LIMIT ") + QString::number(limit) : QString());
}

QString correspondentCandidates(const QString &ente, const QString &typed)
{
    const QString names = nameKeys(ente, typed);
    if (engine() == Engine::PostgreSQL) {
        // Key by key through the correspondent index: a planner that
        // expects many rows would rather read the whole register once.
        return QStringLiteral("SELECT c.k FROM (") + names
               + QStringLiteral(") n CROSS JOIN LATERAL (SELECT ctid AS k FROM Tab_Protocollo WHERE Tab_Ente = ") + q(ente)
               + QStringLiteral(" AND Tab_Intestatario = n.Tab_Identificativo) c UNION ALL SELECT c.ctid FROM (") + names
               + QStringLiteral(") n JOIN Tab_ProtocolloDestinatari d ON d.Tab_Ente = ") + q(ente)
               + QStringLiteral(" AND d.Tab_MittDest = n.Tab_Identificativo JOIN Tab_Protocollo c ON "
                                "c.Tab_Ente = d.Tab_Ente AND c.Tab_TipoProtocollo = d.Tab_TipoProtocollo AND "
                                "c.Tab_NumeroProtocollo = d.Tab_NumeroProtocollo");
    }
    return QStringLiteral("SELECT c.rowid AS k FROM Tab_Protocollo c WHERE c.Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND c.Tab_Intestatario IN (") + names
           + QStringLiteral(") UNION ALL SELECT c.rowid FROM Tab_ProtocolloDestinatari d JOIN Tab_Protocollo c ON "
                            "c.Tab_Ente = d.Tab_Ente AND c.Tab_TipoProtocollo = d.Tab_TipoProtocollo AND "
                            "c.Tab_NumeroProtocollo = d.Tab_NumeroProtocollo WHERE d.Tab_Ente = ")
           + q(ente) + QStringLiteral(" AND d.Tab_MittDest IN (") + names + QLatin1Char(')');
}

QString nameCandidates(const QString &typed)
{
    if (engine() == Engine::PostgreSQL || !indexable(typed))
        return {};
    return QStringLiteral("SELECT rowid FROM Tab_Rubrica_Denominazione_fts WHERE Tab_Rubrica_Denominazione_fts MATCH ")
           + q(trigramQuery(typed));
}

QString nameRowsCondition(const QString &rowid, const QString &typed)
{
    const QString candidates = nameCandidates(typed);
    return candidates.isEmpty() ? QString() : rowid + QStringLiteral(" IN (") + candidates + QLatin1Char(')');
}

QString correspondentCount(const QString &ente, const QString &typed)
{
    if (engine() != Engine::PostgreSQL)
        return {};
    // OFFSET 0 keeps each name a look-up of its own in the correspondent
    // index, which answers without the rows; joined as one, the planner
    // would rather read the whole register once.
    const QString names = nameKeys(ente, typed);
    return QStringLiteral("SELECT 1 FROM (") + names
           + QStringLiteral(") n CROSS JOIN LATERAL (SELECT 1 FROM Tab_Protocollo WHERE Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND Tab_Intestatario = n.Tab_Identificativo OFFSET 0) c UNION ALL SELECT 1 FROM (") + names
           + QStringLiteral(") n JOIN Tab_ProtocolloDestinatari d ON d.Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND d.Tab_MittDest = n.Tab_Identificativo");
}

namespace {

// SQLite, a subject word: the subject index's rowids follow the protocol
// numbers, so its candidates come newest first and the walk along them
// stops at the limit. A common word thus costs about as many rows read as
// the list shows, whichever years hold it, and a rare one no more than its
// candidates. With a period the walk may have to pass many candidates
// outside it; then the period's rows are read instead when they are fewer
// than the candidates (both counted, the candidates no further than the
// period's rows, once the candidates are known to be more than a few).
QString orderedQuery(const Bounded &b)
{
    const bool period = !b.periodFrom.isEmpty();
    const QString table = b.orderedTable.isEmpty() ? QStringLiteral("Tab_Protocollo_Ordine_fts") : b.orderedTable;
    const QString lim = b.limit < 0 ? QStringLiteral("-1") : QString::number(b.limit);
    const QString walk = orderedWalk(table, b.orderedMatch, b.filters, QStringLiteral("rk"));
    QString with, found;
    if (!period) {
        found = QStringLiteral("SELECT rk FROM (") + walk + QStringLiteral(" LIMIT ") + lim + QLatin1Char(')');
    } else {
        QString span = QStringLiteral("SELECT 1 FROM Tab_Protocollo s WHERE s.Tab_Ente = ") + q(b.ente)
                       + QStringLiteral(" AND s.Tab_DataProtocollo >= ") + b.periodFrom;
        if (!b.periodTo.isEmpty())
            span += QStringLiteral(" AND s.Tab_DataProtocollo <= ") + b.periodTo;
        // A few candidates (a subject typed in full) are walked without
        // counting the period at all.
        const int fewest = std::min(few_, bound_);
        const QString candidates = QStringLiteral("SELECT 1 FROM ") + table + QStringLiteral(" WHERE ") + b.orderedMatch;
        with = QStringLiteral("WITH few AS MATERIALIZED (SELECT COUNT(*) AS n FROM (") + candidates
               + QStringLiteral(" LIMIT ") + QString::number(fewest + 1)
               + QStringLiteral(") f0), span AS MATERIALIZED (SELECT COUNT(*) AS n FROM (") + span
               + QStringLiteral(" LIMIT ") + QString::number(bound_ + 1)
               + QStringLiteral(") s0), cand AS MATERIALIZED (SELECT COUNT(*) AS n FROM (") + candidates
               + QStringLiteral(" LIMIT (SELECT n FROM span) + 1) c0) ");
        // A period past the bound is never read whole: the walk goes on.
        const QString useWalk = QStringLiteral("((SELECT n FROM few) <= %1 OR (SELECT n FROM cand) <= (SELECT n FROM span))")
                                    .arg(fewest);
        found = QStringLiteral("SELECT rk FROM (") + walk + QStringLiteral(" LIMIT CASE WHEN ") + useWalk
                + QStringLiteral(" THEN ") + lim + QStringLiteral(" ELSE 0 END) UNION ALL SELECT rk FROM (SELECT p.rowid AS rk "
                                                     "FROM Tab_Protocollo p WHERE ")
                + b.walkFilters + QStringLiteral(" ORDER BY ")
                + QString(b.order).replace(QStringLiteral(" DESC"), QStringLiteral(" || '' DESC"))
                + QStringLiteral(" LIMIT CASE WHEN ") + useWalk + QStringLiteral(" THEN 0 ELSE ") + lim
                + QStringLiteral(" END)");
    }
    return with + QStringLiteral("SELECT ") + b.columns + QStringLiteral(" FROM Tab_Protocollo p ") + b.joins
           + QStringLiteral(" WHERE p.rowid IN (") + found + QStringLiteral(") ORDER BY ") + b.order
           + QStringLiteral(" LIMIT ") + lim;
}

// PostgreSQL, a subject word without a period. The trigram index gives
// its candidates in no order, and reading tens of thousands of them to sort
// them costs more than the whole list. The newest years are asked one at a
// time: a year whose matches are few has them read through the subject
// index of the year's last digit and sorted, a year with many is walked by
// number, where its matches come soon. A year is only asked while the
// newer ones hold fewer rows than the list; years older than those asked
// go the way of a plain candidate search.
QString yearlyQuery(const Bounded &b)
{
    const QString lim = b.limit < 0 ? QStringLiteral("ALL") : QString::number(b.limit);
    const QString want = b.limit < 0 ? QStringLiteral("2147483647") : QString::number(b.limit);
    // A year with no more matches than this has them read at once.
    const int fewest = std::min({few_, bound_, 100});
    const auto first = [](int year) {
        return QStringLiteral("'%1%2'").arg(year, 4, 10, QLatin1Char('0')).arg(0, 7, 10, QLatin1Char('0'));
    };
    constexpr int kYears = 4; // this year and three before
    // Rows probed at the top of each year: enough to tell a common word.
    constexpr int kYearProbe = 2000;
    const int newest = b.thisYear, oldest = newest - kYears + 1;
    const auto rows = [&](const QString &where, const QString &order) {
        return QStringLiteral("SELECT k FROM (SELECT p.ctid AS k FROM Tab_Protocollo p WHERE ") + where
               + QStringLiteral(" ORDER BY ") + order + QStringLiteral(" LIMIT ") + lim + QStringLiteral(") b WHERE ");
    };

    // No count of the whole word's candidates first: for a common word the
    // planner reads the register until it has them, which costs more than
    // every year's probe; a rare word's years are each a short probe.
    QStringList with, parts;
    // Numbers past the years asked one by one (normally none; a clock
    // ahead may have numbered the next year): walked.
    with << QStringLiteral("y AS MATERIALIZED (") + rows(b.walkFilters + QStringLiteral(" AND p.Tab_NumeroProtocollo >= ")
                                                        + first(newest + 1),
                                                    QStringLiteral("p.Tab_NumeroProtocollo DESC"))
                + QStringLiteral("TRUE)");
    parts << QStringLiteral("SELECT k FROM y");
    // The rows found before each year, kept as a running count: each year's
    // decision then reads one number, and the statement grows with the
    // years instead of with their square (its planning alone cost more
    // than a year's walk).
    QString before = QStringLiteral("(SELECT COUNT(*) FROM y)");
    for (int y = newest; y >= oldest; --y) {
        const QString n = QString::number(newest - y);
        with << QStringLiteral("f%1 AS MATERIALIZED (SELECT %2 AS n)").arg(n, before);
        // Past a few, the year's newest rows by number are probed: when they
        // hold the list they are the answer. Otherwise the year is walked by
        // number, or its rows are read through the subject index of the
        // year's last digit (its condition written as the index's, the year
        // as an expression that no number index serves) and sorted,
        // whichever reads fewer rows at their cost: a walk meets a match
        // every probe/found rows, the index gives found/probe of the year's
        // rows (its numbers run without gaps), each read at about three and
        // a half times a walked row's cost.
        const QString yearText = QStringLiteral("%1").arg(y, 4, 10, QLatin1Char('0'));
        const QString digit = QStringLiteral("substr(p.Tab_NumeroProtocollo, 4, 1) = '%1' AND left(p.Tab_NumeroProtocollo, 4) = '%2'")
                                  .arg(yearText.right(1), yearText);
        const QString inYear = QStringLiteral("p.Tab_Ente = ") + q(b.ente) + QStringLiteral(" AND p.Tab_NumeroProtocollo >= ")
                               + first(y) + QStringLiteral(" AND p.Tab_NumeroProtocollo < ") + first(y + 1);
        const int probeRows = std::max(1, std::min(probe_.probeRows, kYearProbe));
        // A rare word's few matches of the year, read through the index:
        // when there are no more, they are the year's answer at once.
        with << QStringLiteral("c%1 AS MATERIALIZED (SELECT p.ctid AS k, p.Tab_NumeroProtocollo AS o FROM "
                               "Tab_Protocollo p WHERE %2 AND %3 LIMIT %4)")
                    .arg(n, digit, b.filters, QString::number(fewest + 1));
        with << QStringLiteral("p%1 AS MATERIALIZED (SELECT p.ctid AS k FROM Tab_Protocollo p WHERE p.Tab_Ente = %2 AND "
                               "p.Tab_NumeroProtocollo < %3 AND p.Tab_NumeroProtocollo >= COALESCE((SELECT "
                               "s.Tab_NumeroProtocollo FROM Tab_Protocollo s WHERE s.Tab_Ente = %2 AND "
                               "s.Tab_NumeroProtocollo >= %4 AND s.Tab_NumeroProtocollo < %3 ORDER BY "
                               "s.Tab_NumeroProtocollo DESC LIMIT 1 OFFSET %5), %4) AND COALESCE((%6), false) ORDER BY "
                               "p.Tab_NumeroProtocollo DESC LIMIT %7)")
                    .arg(n, q(b.ente), first(y + 1), first(y), QString::number(probeRows - 1), b.walkFilters, lim);
        with << QStringLiteral("n%1 AS MATERIALIZED (SELECT COALESCE(CAST(MAX(p.Tab_NumeroProtocollo) AS BIGINT) - "
                               "CAST(MIN(p.Tab_NumeroProtocollo) AS BIGINT) + 1, 0) AS n FROM Tab_Protocollo p WHERE %2)")
                    .arg(n, inYear);
        // The way, decided in order so that nothing is read that an earlier
        // answer makes needless: 0 none (the list is full), 1 the few, 2 the
        // probe, 3 the walk, 4 the index.
        const QString probed = QStringLiteral("(SELECT COUNT(*) FROM p%1)").arg(n);
        with << QStringLiteral("w%1 AS MATERIALIZED (SELECT CASE WHEN (SELECT n FROM f%1) >= %2 THEN 0 "
                               "WHEN (SELECT COUNT(*) FROM c%1) <= %3 THEN 1 WHEN %4 >= %2 THEN 2 "
                               "WHEN 7 * %4 * %4 * (SELECT n FROM n%1) >= %5 THEN 3 ELSE 4 END AS w)")
                    .arg(n, want, QString::number(fewest), probed)
                    .arg(2LL * std::max(1, b.limit) * probeRows * probeRows);
        const QString way = QStringLiteral("(SELECT w FROM w%1) = ").arg(n);
        // The walk's condition is hidden from the planner's estimates
        // (COALESCE), which would otherwise take it for rare and read and
        // sort the whole year instead.
        with << QStringLiteral("y%1 AS MATERIALIZED (SELECT k FROM (SELECT k FROM c%1 ORDER BY o DESC LIMIT %2) b WHERE ")
                        .arg(n, lim)
                    + way + QStringLiteral("1 UNION ALL SELECT k FROM p") + n + QStringLiteral(" WHERE ") + way
                    + QStringLiteral("2 UNION ALL ")
                    + rows(inYear + QStringLiteral(" AND COALESCE((") + b.walkFilters + QStringLiteral("), false)"),
                           QStringLiteral("p.Tab_NumeroProtocollo DESC"))
                    + way + QStringLiteral("3 UNION ALL ")
                    + rows(digit + QStringLiteral(" AND ") + b.filters, QStringLiteral("p.Tab_NumeroProtocollo || '' DESC"))
                    + way + QStringLiteral("4)");
        parts << QStringLiteral("SELECT k FROM y") + n;
        before = QStringLiteral("(SELECT n FROM f%1) + (SELECT COUNT(*) FROM y%1)").arg(n);
    }
    // Older years: every remaining candidate, read and sorted.
    parts << rows(b.filters + QStringLiteral(" AND p.Tab_NumeroProtocollo < ") + first(oldest),
                  QStringLiteral("p.Tab_NumeroProtocollo || '' DESC"))
                 + before + QStringLiteral(" < ") + want;
    return QStringLiteral("WITH ") + with.join(QStringLiteral(", ")) + QStringLiteral(" SELECT ") + b.columns
           + QStringLiteral(" FROM Tab_Protocollo p ") + b.joins
           + QStringLiteral(" WHERE p.ctid = ANY (ARRAY(SELECT k FROM (") + parts.join(QStringLiteral(" UNION ALL "))
           + QStringLiteral(") u)) ORDER BY ") + b.order + QStringLiteral(" LIMIT ") + lim;
}

} // namespace

QString boundedQuery(const Bounded &b)
{
    const bool pg = engine() == Engine::PostgreSQL;
    if (!pg && !b.orderedMatch.isEmpty())
        return orderedQuery(b);
    if (pg && !b.yearlySubject.isEmpty() && b.periodFrom.isEmpty() && b.thisYear > 0)
        return yearlyQuery(b);
    const QString bound = QString::number(bound_);
    const QString past = QString::number(bound_ + 1);
    const bool period = !b.periodFrom.isEmpty();
    // On PostgreSQL a subject condition lets the planner find the rows
    // through the trigram index by itself: the candidates are then the rows
    // with every filter, read once with their sort key and sorted from the
    // set, instead of listed first and read a second time by key.
    const bool rowsAtOnce = pg && b.filtersUseIndex;
    const QString sortKey = QString(b.order).remove(QStringLiteral(" DESC"));

    QStringList with;
    // A short period is a bounded set too: its rows are counted (up to the
    // bound) only when the candidates are too many to be read at once, to
    // know which of the two sets is smaller.
    QString spanCount;
    if (period) {
        QString span = QStringLiteral("SELECT 1 FROM Tab_Protocollo s WHERE s.Tab_Ente = ") + q(b.ente)
                       + QStringLiteral(" AND s.Tab_DataProtocollo >= ") + b.periodFrom;
        if (!b.periodTo.isEmpty())
            span += QStringLiteral(" AND s.Tab_DataProtocollo <= ") + b.periodTo;
        with << QStringLiteral("span AS MATERIALIZED (SELECT COUNT(*) AS n FROM (") + span + QStringLiteral(" LIMIT ")
                    + past + QStringLiteral(") s0)");
        spanCount = QStringLiteral("(SELECT n FROM span)");
    }
    // A few candidates (a subject typed in full, a rare name) are read
    // whatever the period holds, without counting the period first.
    const int fewest = std::min(few_, bound_);
    const QString fewLimit = QString::number(fewest + 1);
    // (SQLite counts them apart, since the size of its set depends on it.)
    const QString fewCount = QStringLiteral("(SELECT COUNT(*) FROM (SELECT 1 FROM ")
                             + (pg ? QStringLiteral("cand") : QStringLiteral("(") + b.candidates + QStringLiteral(") f0"))
                             + QStringLiteral(" LIMIT ") + fewLimit + QStringLiteral(") f1) <= ")
                             + QString::number(fewest);
    QString few = fewCount;
    if (!pg && period && !rowsAtOnce) {
        with << QStringLiteral("few AS MATERIALIZED (SELECT ") + fewCount + QStringLiteral(" AS y)");
        few = QStringLiteral("(SELECT y FROM few)");
    }

    QString useCand;
    if (rowsAtOnce) {
        with << QStringLiteral("cand AS MATERIALIZED (SELECT p.ctid AS k, ") + sortKey
                    + QStringLiteral(" AS o FROM Tab_Protocollo p WHERE ") + b.filters + QStringLiteral(" LIMIT ") + past
                    + QLatin1Char(')');
        // Every row of the answer is in the set: only its size matters.
        useCand = QStringLiteral("(SELECT COUNT(*) FROM cand) <= ") + bound;
    } else {
        // Candidates are counted up to one past the bound: reaching it means
        // the set is incomplete. SQLite fills a materialised set at once, so
        // the bound goes inside it; PostgreSQL reads it only as far as it is
        // asked, so there the bound goes on the count.
        QString over = past;
        if (period)
            over = QStringLiteral("(SELECT %1(n, %2) + 1 FROM span)")
                       .arg(pg ? QStringLiteral("LEAST") : QStringLiteral("MIN"), bound);
        QString inside;
        if (!pg)
            inside = QStringLiteral(" LIMIT ")
                     + (period ? QStringLiteral("CASE WHEN ") + few + QStringLiteral(" THEN ") + fewLimit
                                     + QStringLiteral(" ELSE ") + over + QStringLiteral(" END")
                               : over);
        with << QStringLiteral("cand AS MATERIALIZED (SELECT k FROM (") + b.candidates + QStringLiteral(") c0") + inside
                    + QLatin1Char(')');
        QString count =
            QStringLiteral("(SELECT COUNT(*) FROM (SELECT 1 FROM cand LIMIT ") + over + QStringLiteral(") c1)");
        if (pg && !b.candidateCount.isEmpty()) {
            // Counted once, from the indexes alone.
            with << QStringLiteral("counted AS MATERIALIZED (SELECT COUNT(*) AS n FROM (SELECT 1 FROM (")
                        + b.candidateCount + QStringLiteral(") n0 LIMIT ") + over + QStringLiteral(") n1)");
            count = QStringLiteral("(SELECT n FROM counted)");
        }
        useCand = count + QStringLiteral(" <= ") + bound;
        if (period)
            useCand = QStringLiteral("(") + few + QStringLiteral(" OR (") + useCand + QStringLiteral(" AND ") + count
                      + QStringLiteral(" <= ") + spanCount + QStringLiteral("))");
    }
    QString byPeriod;
    QString byNumber = QStringLiteral("NOT (") + useCand + QLatin1Char(')');
    if (period) {
        byPeriod = byNumber + QStringLiteral(" AND ") + spanCount + QStringLiteral(" <= ") + bound;
        byNumber += QStringLiteral(" AND ") + spanCount + QStringLiteral(" > ") + bound;
    }

    const QString lim = b.limit < 0 ? (pg ? QStringLiteral("ALL") : QStringLiteral("-1")) : QString::number(b.limit);
    const QString key = pg ? QStringLiteral("ctid") : QStringLiteral("rowid");
    // One branch per way of reading; only the one whose guard holds reads
    // anything. PostgreSQL turns a guard without columns into a one-time
    // filter; SQLite would test a WHERE guard on every row, but evaluates a
    // LIMIT once before its loop, so there the guard picks the LIMIT. The
    // branches sort row keys only; the columns and joins are read for the
    // rows kept.
    const auto guarded = [&](const QString &body, const QString &guard) {
        if (pg)
            return QStringLiteral("SELECT rk FROM (") + body + QStringLiteral(" LIMIT ") + lim
                   + QStringLiteral(") b WHERE ") + guard;
        return QStringLiteral("SELECT rk FROM (") + body + QStringLiteral(" LIMIT CASE WHEN ") + guard
               + QStringLiteral(" THEN ") + lim + QStringLiteral(" ELSE 0 END)");
    };
    const auto branch = [&](const QString &where, const QString &order, const QString &guard) {
        return guarded(QStringLiteral("SELECT p.") + key + QStringLiteral(" AS rk FROM Tab_Protocollo p WHERE ") + where
                           + QStringLiteral(" ORDER BY ") + order,
                       guard);
    };
    QStringList branches;
    if (rowsAtOnce) {
        branches << guarded(QStringLiteral("SELECT k AS rk FROM cand ORDER BY ")
                                + QString(b.order).replace(sortKey, QStringLiteral("o")),
                            useCand);
    } else {
        const QString keyed = pg ? QStringLiteral("p.ctid = ANY (ARRAY(SELECT k FROM cand))")
                                 : QStringLiteral("p.rowid IN (SELECT k FROM cand)");
        branches << branch(keyed + QStringLiteral(" AND (") + b.filters + QLatin1Char(')'), b.order, useCand);
    }
    // Sorted by an expression, so the period's date index reads the rows.
    if (period)
        branches << branch(b.walkFilters, QString(b.order).replace(QStringLiteral(" DESC"), QStringLiteral(" || '' DESC")),
                           byPeriod);
    branches << branch(b.walkFilters, b.order, byNumber);
    const QString found = branches.join(QStringLiteral(" UNION ALL "));
    return QStringLiteral("WITH ") + with.join(QStringLiteral(", ")) + QStringLiteral(" SELECT ") + b.columns
           + QStringLiteral(" FROM Tab_Protocollo p ") + b.joins + QStringLiteral(" WHERE ")
           + (pg ? QStringLiteral("p.ctid = ANY (ARRAY(SELECT rk FROM (") + found + QStringLiteral(") u))")
                 : QStringLiteral("p.rowid IN (SELECT rk FROM (") + found + QStringLiteral("))"))
           + QStringLiteral(" ORDER BY ") + b.order + QStringLiteral(" LIMIT ") + lim;
}

QString numberYears(const QString &column, int fromYear, int toYear)
{
    QString years;
    if (fromYear > 0)
        years += QStringLiteral(" AND %1 >= '%2'").arg(column).arg(qlonglong(fromYear) * 10000000, 11, 10, QLatin1Char('0'));
    if (toYear > 0)
        years += QStringLiteral(" AND %1 < '%2'").arg(column).arg(qlonglong(toYear + 1) * 10000000, 11, 10, QLatin1Char('0'));
    return years;
}

ProbeBounds probeBounds() { return probe_; }

ProbeBounds setProbeBounds(const ProbeBounds &b)
{
    const ProbeBounds old = probe_;
    probe_ = b;
    return old;
}

QString probedQuery(const Probed &p)
{
    const bool pg = engine() == Engine::PostgreSQL;
    const QString key = pg ? QStringLiteral("ctid") : QStringLiteral("rowid");
    const QString lim = QString::number(p.limit);
    const bool period = !p.periodFrom.isEmpty() || !p.periodTo.isEmpty();
    // The numbers of the period's years; a year missing on one side is open.
    const QString years = numberYears(QStringLiteral("p.Tab_NumeroProtocollo"), p.fromYear, p.toYear);
    QString dates;
    if (!p.periodFrom.isEmpty())
        dates += QStringLiteral(" AND p.Tab_DataProtocollo >= ") + p.periodFrom;
    if (!p.periodTo.isEmpty())
        dates += QStringLiteral(" AND p.Tab_DataProtocollo <= ") + p.periodTo;
    const QString body = QStringLiteral("p.Tab_Ente = ") + q(p.ente);

    // The register by number from the newest, read lazily (walkRows < 0:
    // as far as needed); the planner may not turn it into another order.
    // The register by number from the newest (walkRows < 0: as far as
    // needed); a probe stops at the number that many rows back, found in
    // the index alone. That number is the only lower bound when there is
    // one, with the first year's as its default: of two lower bounds SQLite
    // may take the year's for the index and test the other on every row of
    // the year. PostgreSQL has the conditions hidden from its estimates
    // (COALESCE): taken for common, they leave the walk by number in place;
    // the visibility first when it is narrow.
    const auto walk = [&](int walkRows) {
        QString range = years;
        if (walkRows >= 0)
            range = numberYears(QStringLiteral("p.Tab_NumeroProtocollo"), 0, p.toYear)
                    + QStringLiteral(" AND p.Tab_NumeroProtocollo >= COALESCE((SELECT s.Tab_NumeroProtocollo FROM Tab_Protocollo s ")
                    + (pg ? QString() : QStringLiteral("INDEXED BY ux_tab_protocollo_numero "))
                    + QStringLiteral("WHERE s.Tab_Ente = ") + q(p.ente)
                    + QString(years).replace(QStringLiteral("p.Tab_"), QStringLiteral("s.Tab_"))
                    + QStringLiteral(" ORDER BY s.Tab_NumeroProtocollo DESC LIMIT 1 OFFSET ") + QString::number(std::max(0, walkRows - 1))
                    + QStringLiteral("), ")
                    + (p.fromYear > 0 ? QStringLiteral("'%1'").arg(qlonglong(p.fromYear) * 10000000, 11, 10, QLatin1Char('0'))
                                      : QStringLiteral("''"))
                    + QLatin1Char(')');
        QString filters = p.walkFilters;
        if (pg)
            filters = p.walkBase.isEmpty() ? QStringLiteral("COALESCE((") + p.walkFilters + QStringLiteral("), false)")
                                           : QStringLiteral("COALESCE((") + p.walkBase + QStringLiteral("), false) AND COALESCE((")
                                                 + p.walkTexts + QStringLiteral("), false)");
        return QStringLiteral("SELECT p.") + key + QStringLiteral(" AS k FROM Tab_Protocollo p ")
               + (pg ? QString() : QStringLiteral("INDEXED BY ux_tab_protocollo_numero ")) + QStringLiteral("WHERE ") + body
               + range + QStringLiteral(" AND ") + filters + QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo DESC LIMIT ") + lim;
    };
    // Rows of the period numbered in another year, missed by the walk.
    const QString offYear = QStringLiteral("SELECT p.") + key + QStringLiteral(" AS k FROM Tab_Protocollo p")
                            + (pg ? QString() : QStringLiteral(" INDEXED BY ix_tab_protocollo_fuori_anno"))
                            + QStringLiteral(" WHERE ") + body + QStringLiteral(" AND ")
                            + LetterGrams::offYear(engine(), QStringLiteral("p")) + dates + QStringLiteral(" AND ")
                            + p.walkFilters;

    QStringList with;
    QString fewInPeriod = QStringLiteral("FALSE");
    if (period) {
        with << QStringLiteral("span AS MATERIALIZED (SELECT COUNT(*) AS n FROM (SELECT 1 FROM Tab_Protocollo p WHERE ")
                    + body + dates + QStringLiteral(" LIMIT ") + QString::number(probe_.periodRows + 1)
                    + QStringLiteral(") s0)");
        fewInPeriod = QStringLiteral("(SELECT n FROM span) <= ") + QString::number(probe_.periodRows);
    }
    with << QStringLiteral("probe AS MATERIALIZED (") + walk(probe_.probeRows) + QLatin1Char(')');
    const QString found = QStringLiteral("(SELECT COUNT(*) FROM probe)");
    // A walk's reach grows with the bound's, so that tests reach every way.
    const qlonglong reach = p.walkReach > 0 ? std::max<qlonglong>(probe_.walkReach, qlonglong(probe_.walkReach) * p.walkReach / 15000)
                                           : probe_.walkReach;
    const qlonglong enough = std::max<qlonglong>(1, qlonglong(p.limit) * probe_.probeRows / std::max<qlonglong>(1, reach));
    // A few candidates (a rare text) are read at once, before anything else.
    QString fewOk = QStringLiteral("FALSE");
    if (!p.few.isEmpty()) {
        with << QStringLiteral("few AS MATERIALIZED (SELECT COUNT(*) AS n FROM (") + p.few + QStringLiteral(" LIMIT ")
                    + QString::number(few_ + 1) + QStringLiteral(") f0)");
        fewOk = QStringLiteral("(SELECT n FROM few) <= ") + QString::number(few_);
    }
    // Each guard is decided once; CASE keeps the probe unread when the
    // candidates are few or the period is read whole.
    const auto guard = [&](bool ifFew, bool ifPeriod, const QString &when) {
        const auto b = [](bool v) { return v ? QStringLiteral("TRUE") : QStringLiteral("FALSE"); };
        return QStringLiteral("CASE WHEN ") + fewOk + QStringLiteral(" THEN ") + b(ifFew) + QStringLiteral(" WHEN ")
               + fewInPeriod + QStringLiteral(" THEN ") + b(ifPeriod) + QLatin1Char(' ') + when + QStringLiteral(" END");
    };
    const QString readPeriod = guard(false, true, QStringLiteral("ELSE FALSE"));
    const QString probeDone = guard(false, false, QStringLiteral("WHEN ") + found + QStringLiteral(" >= ") + lim
                                                      + QStringLiteral(" THEN TRUE ELSE FALSE"));
    const QString walkOn = guard(false, false, QStringLiteral("WHEN ") + found + QStringLiteral(" >= ") + lim
                                                   + QStringLiteral(" THEN FALSE WHEN ") + found + QStringLiteral(" >= ")
                                                   + QString::number(enough) + QStringLiteral(" THEN TRUE ELSE FALSE"));
    // Candidates read newest first cost no more than a walk that meets
    // the same matches: they take over wherever the walk would.
    const QString walkFrom = p.ordered ? lim : QString::number(enough);
    const QString useCandidates = guard(true, false, QStringLiteral("WHEN ") + found + QStringLiteral(" >= ")
                                                         + walkFrom + QStringLiteral(" THEN FALSE ELSE TRUE"));
    const auto guarded = [&](const QString &keys, const QString &when) {
        if (pg)
            return QStringLiteral("SELECT k FROM (") + keys + QStringLiteral(") g WHERE ") + when;
        return QStringLiteral("SELECT k FROM (SELECT k FROM (") + keys + QStringLiteral(") LIMIT CASE WHEN ") + when
               + QStringLiteral(" THEN -1 ELSE 0 END)");
    };
    QStringList branches;
    if (period) {
        // Sorted by an expression, so that the period's date index reads the rows.
        branches << guarded(QStringLiteral("SELECT p.") + key + QStringLiteral(" AS k FROM Tab_Protocollo p WHERE ")
                                + p.walkFilters + QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo || '' DESC LIMIT ") + lim,
                            readPeriod);
    }
    branches << guarded(QStringLiteral("SELECT k FROM probe"), probeDone);
    if (!p.ordered)
        branches << guarded(walk(-1), walkOn);
    // The walk and the candidates keep to the period's years.
    if (period && (p.fromYear > 0 || p.toYear > 0))
        branches << guarded(offYear, QStringLiteral("NOT (") + readPeriod + QLatin1Char(')'));
    branches << guarded(p.candidates, useCandidates);
    const QString keys = branches.join(QStringLiteral(" UNION ALL "));
    return QStringLiteral("WITH ") + with.join(QStringLiteral(", ")) + QStringLiteral(" SELECT ") + p.columns
           + QStringLiteral(" FROM Tab_Protocollo p ") + p.joins + QStringLiteral(" WHERE ")
           + (pg ? QStringLiteral("p.ctid = ANY (ARRAY(") + keys + QStringLiteral("))")
                 : QStringLiteral("p.rowid IN (") + keys + QLatin1Char(')'))
           + QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo DESC LIMIT ") + lim;
}

} // namespace nimbo::protocol::contains
