#pragma once
// The search over the register from the registration window: criteria,
// their checks, the query with the operator's visibility and privacy rules,
// and the texts that report the outcome.

#include <QDate>
#include <QString>
#include <QVector>
#include <optional>

#include "protocol/ProtocolRules.h"
#include "data/Scope.h"

namespace nimbo::protocol {

constexpr int kSearchLimit = 1000;

struct SearchCriteria {
    QString year, number;                   // TxtAProto, TxtNumero
    QString emeYear, emeType, emeRegister, emeNumber;
    QString refNumber, refDate;             // sender's reference (contains) and its date
    QString subject;                        // contains
    QString correspondent;                  // denomination contains
    qlonglong correspondentId = 0;          // the main correspondent, when set
    QString docType = QStringLiteral("TUTTI"); // the combo entry; its first three characters are the code
    QString from, to;                       // period on the protocol date, "dd/mm/yyyy"
    bool incoming = true;
    bool outgoing = true;
    enum class Filter { All, ActiveOnly, PrivacyOnly } filter = Filter::All;
};

// A message when the criteria cannot be searched, with the control to focus.
std::optional<Failure> checkCriteria(const SearchCriteria &c);

// The rows: direction, number, date, subject, correspondent, state; at most
// kSearchLimit, newest number first.
QString searchQuery(const SearchCriteria &c, const Viewer &v);

// A list over Tab_Protocollo p, newest number first, of the rows that meet
// "base" (every condition but the texts, on p's columns) and whose subject
// contains "subject" and whose correspondent or a further recipient has a
// name containing "correspondent" (each when not empty). The texts' indexes
// or a walk along the register read it, whichever is cheaper; the rows are
// those of a plain LIKE/ILIKE. from/to: SQL date literals of a period on
// Tab_DataProtocollo already in "base" (may be empty), fromYear/toYear
// their years (0: open).
struct TextQuery {
    QString columns, joins, ente, base;
    QString subject, correspondent;
    QString from, to;
    int fromYear = 0, toYear = 0;
    int limit = kSearchLimit;
    // "base" holds a visibility that leaves few protocols of the register
    // (an office's, a department's): PostgreSQL tests it before a
    // correspondent and reads a common subject along the register rather
    // than year by year.
    bool narrow = false;
};
QString textQuery(const TextQuery &t);
// The condition on p: its main correspondent or a further recipient has a
// name of the body's address book containing the text.
QString correspondentMatch(const QString &ente, const QString &typed);

// "Sono stati trovati N. 12 Protocolli " or the no-row text.
QString countText(int rows);
extern const char *const kNoRowsText;

// The protocol loaded from a row of the list: every column the registration
// panel shows.
QString protocolQuery(const QString &ente, const QString &direction, const QString &number);
// Each dossier's codes and descriptions by level, then its closing date and
// the active flags of its title, category and class (null when gone).
QString dossiersQuery(const QString &ente, const QString &direction, const QString &number);
QString iterQuery(const QString &ente, const QString &direction, const QString &number);
// "ARCH" when the iter holds a movement of type 5, otherwise "ATTIVA".
QString archivedQuery(const QString &ente, const QString &direction, const QString &number);

} // namespace nimbo::protocol
