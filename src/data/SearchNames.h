#pragma once
// Each protocol's copy of its correspondents' names (the main one, then a
// line per further recipient), kept by the database, and its SQLite
// trigram table in protocol-number order. The schema builds them from these
// names and the searches name them identically.

#include <QString>

namespace SearchNames {

inline const QString kColumn = QStringLiteral("Tab_NomiCorrispondenti");
inline const QString kTable = QStringLiteral("Tab_Protocollo_Nomi_fts");

} // namespace SearchNames
