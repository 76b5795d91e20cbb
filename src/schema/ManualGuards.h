#pragma once
// Protocols brought in from a paper emergency register: one number of one
// paper register gives one protocol of the body, whatever day the clerk
// wrote beside it ("0000015|14/03/2026" and "0000015|15/03/2026" are the same
// paper number) and whatever its direction. A unique key on body, register
// and the number's first seven characters, for the paper registers only
// (year, "C", code, progressive), holds it on both engines.

#include <QSqlDatabase>
#include <QStringList>

#include "data/Dialect.h"
#include "schema/Definition.h"

namespace Schema::ManualGuards {

// The number part of Tab_ProtocolloTemporaneo and the paper registers, as
// the key's index writes them: a look-up that writes them the same way is
// served by the index.
inline const QString kPaperNumberPart = QStringLiteral("substr(Tab_ProtocolloTemporaneo, 1, 7)");
inline const QString kPaperRegister = QStringLiteral("substr(Tab_RegistroTemporaneo, 5, 1) = 'C'");

QStringList statements(Kind kind, Dialect::Engine e);
// A register that already holds a paper number twice cannot take the key:
// the upgrade stops and lists those protocols for the body to put right.
bool noPaperTwins(const QSqlDatabase &db, Kind kind, QString *why);

} // namespace Schema::ManualGuards
