#pragma once
// A cancellation is a record, not a flag: a protocol enters the cancelled
// state only with the date, the reason and the operator of its
// cancellation, keeps them from then on, and never becomes active again
// (that last rule is the register's guard's, see Guards.h). Whoever writes
// the row, server or plain SQL, meets the same rule.

#include <QStringList>

#include "data/Dialect.h"
#include "schema/Definition.h"

namespace Schema::CancelGuards {

inline const QString kIncomplete = QStringLiteral(
    "Un protocollo si annulla solo indicando data (Tab_DataCancellazione), motivo (Tab_MotivoCancellazione) e "
    "operatore (Tab_CodiceOpeCanc) dell'annullamento.");
inline const QString kFrozen = QStringLiteral(
    "Data, motivo e operatore dell'annullamento di un protocollo (Tab_DataCancellazione, Tab_MotivoCancellazione, "
    "Tab_CodiceOpeCanc) non possono essere modificati.");

// The statements that install the rule, both engines; the history of the
// register is installed again with them so that it keeps the authorising
// act's columns too.
QStringList statements(Kind kind, Dialect::Engine e);

} // namespace Schema::CancelGuards
