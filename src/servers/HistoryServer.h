#pragma once
// The history server: reads the historical archives kept in the old
// layout. A source is named by its code in Tab_Fonte_DatiS (body and
// department): the server reads its location there, never from the client,
// so a workstation reaches only the archives the body declared. A location
// is a SQLite file, or a PostgreSQL connection string ("host=... dbname=...");
// either is opened read-only.
//
//   110  rows  (body, department, source code, SELECT) -> [status, text, columns]
//
// Status 0 rows, 1 no rows, 3 the source is not declared or cannot be
// opened, 4 a malformed request ("991"-like refusals name the field).

#include <QString>

#include "data/Dialect.h"
#include "data/ServerRegistry.h"

namespace nimbo {

inline const QString kHistoryProgId = QStringLiteral("NimboServer.Storico");

// The database a Percorso_Fonte_Dati names.
Dialect::Target oldArchiveTarget(const QString &location);

class HistoryServer : public AppServer {
public:
    QVariantList Elabora(short operation, QVariantList &params) override;

private:
    QVariantList read(const QVariantList &params);
};

} // namespace nimbo
