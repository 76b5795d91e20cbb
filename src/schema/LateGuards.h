#pragma once
// The late registration of a protocol under a number left free in the past.
// On PostgreSQL the workstations may not admit a number into the register
// themselves: the owner's function below does it, refusing a number the
// counter has not passed yet or one already in the register, and writes
// beside it when and by whom the protocol was really written.

#include <QStringList>

#include "data/Dialect.h"
#include "schema/Definition.h"

namespace Schema::LateGuards {

// tab_protocollo_recupero(ente, direction, number, protocol date, operator):
// raises when the number may not be admitted, otherwise admits it and
// records the writing; to be called in the transaction that inserts the row.
inline const QString kAdmitFunction = QStringLiteral("tab_protocollo_recupero");

QStringList statements(Kind kind, Dialect::Engine e);

} // namespace Schema::LateGuards
