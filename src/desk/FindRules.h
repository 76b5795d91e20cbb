#pragma once
// "Vai al protocollo": what the operator may type in the main window's find
// box, and the query that finds the protocol within what he may see.
//
//   2026-123, 2026/0000123, 20260000123  a number of the general register
//   123                                  a number of the current year
//   E 2026-123, U123                     the same, of one direction only
//   2007TABCD001-15, 2007/T/ABCD/001/15  number 15 of an emergency register
//                                        (its 12-character key, then the
//                                        number after a separator)

#include <QString>
#include <optional>

#include "data/Scope.h"

namespace nimbo::desk {

struct FindTarget {
    QString direction;       // "E", "U" or empty (either)
    QString number;          // 11 characters, or empty for an emergency number
    QString emergencyKey;    // 12 characters
    QString emergencyNumber; // 7 digits
};

// Null when the text is none of the accepted forms.
std::optional<FindTarget> parseTarget(const QString &typed, int currentYear);

// Direction and number of the protocols of the viewer's body that match
// and that he may see (the registration search's visibility and privacy),
// incoming first.
QString findQuery(const FindTarget &t, const protocol::Viewer &v);

// One message for a protocol that is not there and one the operator may
// not see: the box never tells which.
inline const QString kNotFound =
    QStringLiteral("Protocollo non trovato o non visibile con le autorizzazioni dell'operatore.");
inline const QString kBadInput =
    QStringLiteral("Indicare il numero del protocollo: anno-numero (2026-123), il solo numero dell'anno in corso "
                   "(123) o il numero di emergenza (2007TABCD001-15).");
inline const QString kFindTitle = QStringLiteral("Vai al protocollo");

} // namespace nimbo::desk
