#pragma once
// The general search over the register: its criteria, their checks and the
// statement that lists what the operator may see. The window
// (FrmFiltroRProt) and the benchmark build their statements only here.
//
// The rows come newest number first, one per protocol, within the viewer's
// scope (scope::generalSearch): level 6 his own registrations, 7 his
// offices, 8 his departments (registered or routed there), 9 the whole
// body. Dates are compared as dates; texts are matched as a plain
// case-insensitive "contains" would match them, helped by the text indexes.

#include <QDate>
#include <QString>
#include <optional>

#include "data/Scope.h"

namespace nimbo::search {

struct GeneralCriteria {
    QString year, number;          // txtAnno, TxtNumero: both or neither
    QString emergencyNumber;       // TxtNumEme
    QDate date;                    // DataProtocollo (invalid: none)
    QString dateOperator = QStringLiteral(">="); // cmbOperatori: ">=" or "<="
    QString correspondent;         // CodiceMitDest: holder or further recipient name contains
    QString docType;               // CodTipoDoc code, empty for all
    QString subject;               // Oggetto contains
    bool incoming = true, outgoing = true; // OptTipoProtocollo
    QString department, office;    // Dip, Uff codes, empty for none
    int limit = 50;                // Combo1
    // Only protocols dated before this day (invalid: no bound): the search
    // of the past years' register.
    QDate before;
};

// The message of the first criterion that cannot be searched, with the name
// of the control to focus; nothing when the criteria are fine.
struct CriteriaProblem {
    QString message, control;
};
std::optional<CriteriaProblem> checkCriteria(const GeneralCriteria &c);

// The 11-digit number searched ("2005" and "12" give "20050000012").
QString searchedNumber(const QString &year, const QString &number);

// The list: direction, number, protocol date, subject, holder's name, state,
// privacy flag, registering operator; newest number first, at most
// c.limit + 1 rows. The row past the limit is not to be shown: it only
// says that the criteria find more protocols than the list may hold. The
// caller masks reserved rows (see masked).
QString listQuery(const GeneralCriteria &c, const protocol::Viewer &v);

// Reserved protocols are shown masked unless the viewer holds the privacy
// right ("S"; an empty right masks too).
extern const char *const kMask; // "*****************************************"
bool masked(const protocol::Viewer &v, const QString &privacyFlag);

} // namespace nimbo::search
