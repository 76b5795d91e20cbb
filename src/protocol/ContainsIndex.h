#pragma once
// "Contains" searches over the register that stay fast on a large register.
//
// A plain LIKE '%word%' reads every row. The text indexes (a trigram
// full-text table on SQLite, a trigram GIN index on PostgreSQL) give the
// protocols that may contain the word; the plain condition is always kept
// beside them, so the rows found are exactly the plain search's.
//
// The lists want the newest numbers first. SQLite's subject index is kept
// in protocol-number order, so a subject search walks its candidates newest
// first and stops at the list's limit. The other indexes return rows in no
// useful order: a query built here therefore asks them for at most
// candidateBound() candidates first: when they are all there, only those
// rows are read and sorted; when the word is too common for that, the plain
// search walks the register by number (or by date within a short period),
// which then meets enough matches early. A subject word without a period on
// PostgreSQL is asked year by year, newest first, so that a common word
// costs the newest years only.

#include <QString>

namespace nimbo::protocol::contains {

// How many candidates are read and sorted at most; past it the register is
// walked. Sorting this many rows costs about what walking the newest part of
// the register to find a thousand matches of a word that common does.
int candidateBound();
// Tests lower it to reach the walk with a small register; returns the old value.
int setCandidateBound(int bound);
// Up to how many candidates are read without counting a period first (never
// more than the bound); tests set 0 to reach the comparison with the period.
int fewCandidates();
int setFewCandidates(int few);

// The literal parts of a typed text, split at LIKE's wildcards ("%", "_").
QStringList literalRuns(const QString &typed);
// True when the index can narrow a search for the typed text: trigrams need a
// literal run of at least three characters.
bool indexable(const QString &typed);

// True when the typed text has literal characters but no run long enough
// for trigrams: one or two letters, perhaps around wildcards.
bool shortText(const QString &typed);
// A condition that the letter indexes serve, true of every row whose text
// contains the short text typed: on SQLite a MATCH on the letters table of
// the subjects (keyed like the ordered subject index) or of the names
// (keyed by the address book's rowid), on PostgreSQL on the column's
// letters. Only for a shortText.
QString subjectLetters(const QString &typed, const QString &column);
QString nameLetters(const QString &typed, const QString &rowid, const QString &column);

// Subqueries giving the row keys of candidate protocols of the body (the
// rowid on SQLite, the ctid on PostgreSQL): subject containing the text, or
// main correspondent / further recipient whose name contains it. Only call
// them for an indexable text.
QString subjectCandidates(const QString &ente, const QString &typed, const QString &directionFilter = {});
QString correspondentCandidates(const QString &ente, const QString &typed);
// SQLite: the condition on the subject index kept in protocol-number order
// (see boundedQuery); empty on PostgreSQL, whose trigram index has no order.
QString orderedSubjectMatch(const QString &typed);
// SQLite: the same for the protocols' own copy of their correspondents'
// names (SearchNames::kTable), kept in the same order; empty on PostgreSQL.
QString orderedNameMatch(const QString &typed);
// SQLite: the keys (column named "alias") of the rows whose text matches
// "match" on one of the full-text tables kept in protocol-number order,
// that meet "filters" (on p), newest number first, read lazily: the walk
// meets the matches only, and stops at the limit. fromYear/toYear (0: open)
// bound it to the numbers of those years by the table's own keys.
QString orderedWalk(const QString &table, const QString &match, const QString &filters, const QString &alias,
                    int fromYear = 0, int toYear = 0, int limit = -1);
// As many rows as correspondentCandidates gives, read from the indexes only
// (PostgreSQL; empty on SQLite, where counting the set costs no more).
QString correspondentCount(const QString &ente, const QString &typed);

// SQLite: the rowids of the address-book entries whose name holds the
// trigrams of the text (a superset of those that contain it), as a
// subquery; empty on PostgreSQL or for a text too short to be indexed.
QString nameCandidates(const QString &typed);
// A condition on Tab_Rubrica (its rowid column named: "r.rowid") that lets
// SQLite's trigram table narrow a search of names containing, or beginning
// with, the text; the plain LIKE stays beside it and decides. Empty on
// PostgreSQL, whose trigram index serves ILIKE by itself, and for a text
// too short to be indexed.
QString nameRowsCondition(const QString &rowid, const QString &typed);

// A query over Tab_Protocollo p: "columns" is the SELECT list and "joins"
// what follows "FROM Tab_Protocollo p" (both may name p's columns),
// "filters" the full WHERE condition on p that defines the rows,
// "walkFilters" the same condition written so that no text index drives it
// (the fallback walks by "order"), "order" the ORDER BY on p's columns,
// limit < 0 for all rows. periodFrom/periodTo (SQL date literals, may be
// empty) name a period on Tab_DataProtocollo that bounds the rows too.
// candidateCount (may be empty): a cheaper query with one row per candidate,
// counted instead of the candidates themselves.
// filtersUseIndex: the filters hold a condition the text index serves by
// itself (a subject containing the text), so that a planner can find the
// rows through it.
struct Bounded {
    QString columns, joins, filters, walkFilters, order;
    QString candidates, candidateCount;
    QString ente, periodFrom, periodTo;
    int limit = -1;
    bool filtersUseIndex = false;
    // A subject condition from orderedSubjectMatch: the candidates are walked
    // newest number first and the walk stops once the limit is reached. Only
    // for lists in descending number order.
    QString orderedMatch;
    // PostgreSQL, without a period: the subject typed, searched year by year
    // from the newest (see boundedQuery); thisYear is the newest asked alone.
    QString yearlySubject;
    int thisYear = 0;
    // SQLite: the full-text table orderedMatch names (default: the
    // trigrams of the subjects).
    QString orderedTable;
};
QString boundedQuery(const Bounded &b);

// A list in descending number order that the register's newest rows
// usually fill, read in the cheapest of four ways, each exact:
//  - a period holding few protocols: its rows, through the date index;
//  - otherwise the newest probeRows protocols of the period's years are
//    read: when they hold the whole list, they are the answer;
//  - when they held enough matches that the list is met within walkReach
//    rows, the register is walked by number;
//  - when matches are rarer than that, "candidates" (the keys of the
//    list's rows, read through a text index) answer.
// A walk over a period's years adds the protocols whose number belongs to
// another year than their date (a partial index holds them).
struct Probed {
    QString columns, joins;
    // The full condition, written so that no text index drives it.
    QString walkFilters;
    // PostgreSQL (may be empty): the part of walkFilters without the texts,
    // tested first on the walk, and the texts, tested on the rows it leaves.
    // A narrow visibility costs an index probe a row where a correspondent
    // costs several: tested first, it spares most of them.
    QString walkBase, walkTexts;
    // Keys (column k: rowid / ctid) of at least the list's rows among the
    // numbers of the period's years (numberYears), read through an index.
    QString candidates;
    QString ente, periodFrom, periodTo;
    int fromYear = 0, toYear = 0;
    int limit = 1000;
    // How far a walk may read before the candidates are cheaper (0: the
    // bound's); a walk whose rows cost little may read further.
    int walkReach = 0;
    // Rows, one per candidate, cheap to count (may be empty): when there
    // are no more than a few, the candidates answer at once.
    QString few;
    // The candidates come newest first and are read only as far as the
    // list needs (orderedWalk): whenever the probe does not fill the list
    // they answer, instead of a walk by number that reads every row.
    bool ordered = false;
};
QString probedQuery(const Probed &p);
// " AND <column> >= ... AND <column> < ...": the numbers of the years from
// fromYear to toYear (0: open on that side).
QString numberYears(const QString &column, int fromYear, int toYear);
struct ProbeBounds {
    int periodRows, probeRows, walkReach;
};
ProbeBounds probeBounds();
// Tests set them to reach each way on a small register; returns the old ones.
ProbeBounds setProbeBounds(const ProbeBounds &b);

} // namespace nimbo::protocol::contains
