#pragma once
// Registration of the application servers under their ProgIDs.

#include <QString>

namespace nimbo {

// ProgID of the generic data server (the value of OLEGENERICA).
inline const QString kGenericProgId = QStringLiteral("NimboServer.Generica");

// Puts every application server of the program into the registry.
void registerServers();

} // namespace nimbo
