#pragma once
// Links between protocols as the register holds them: a protocol is never
// linked to itself, whoever writes the row. The same pair twice is already
// refused by the table's key.

#include <QStringList>

#include "data/Dialect.h"
#include "schema/Definition.h"

namespace Schema::LinkGuards {

inline const QString kLinkedToItself = QStringLiteral("Un protocollo non può essere collegato a se stesso.");

QStringList statements(Kind kind, Dialect::Engine e);

} // namespace Schema::LinkGuards
