#pragma once
// The classification scheme as the database keeps it, whatever client
// writes: a category stands under a title of its body, a class under a
// category, a dossier under a class, and a protocol's classification
// (Tab_ProFascicoli) names a dossier that exists. An element that something
// stands under or names cannot be deleted nor have its codes changed, so a
// classification never loses its dossier and a dossier never its class.
//
// PostgreSQL: foreign keys, which hold against writers side by side under
// READ COMMITTED, and triggers in front of them that refuse with the texts
// below. SQLite (one writer at a time): triggers alone, which do not depend
// on the connection's foreign_keys setting.
//
// The last dossier code of each class (Tab_ContatoreFascicoli) is raised by
// every dossier written, never goes down and is never deleted.

#include <QSqlDatabase>
#include <QStringList>

#include "data/Dialect.h"
#include "schema/Definition.h"

namespace Schema::ClassificationGuards {

// The refusals, as a client reads them in the error text of the statement.
inline const QString kTitleUsed =
    QStringLiteral("Il titolo ha categorie in archivio: non può essere cancellato né ricodificato.");
inline const QString kCategoryUsed =
    QStringLiteral("La categoria ha classi in archivio: non può essere cancellata né ricodificata.");
inline const QString kClassUsed =
    QStringLiteral("La classe ha fascicoli in archivio: non può essere cancellata né ricodificata.");
inline const QString kDossierUsed = QStringLiteral(
    "Il fascicolo è usato nella classificazione di protocolli: non può essere cancellato né ricodificato.");
inline const QString kTitleMissing = QStringLiteral("Il titolo della categoria non è presente in archivio.");
inline const QString kCategoryMissing = QStringLiteral("La categoria della classe non è presente in archivio.");
inline const QString kClassMissing = QStringLiteral("La classe del fascicolo non è presente in archivio.");
inline const QString kDossierMissing =
    QStringLiteral("Il fascicolo della classificazione non è presente in archivio.");
inline const QString kCounterKept = QStringLiteral(
    "Il contatore dei fascicoli di una classe non può diminuire né essere cancellato: un codice dato non si riassegna.");

// Statements that install the guards and start each class's counter above
// the greatest dossier code already in it.
QStringList statements(Kind kind, Dialect::Engine e);

// Rows of an existing database that break the scheme's order, one line
// each (at most `limit`; a last line says how many more); empty when none.
QStringList violations(const QSqlDatabase &db, int limit = 20, QString *error = nullptr);

} // namespace Schema::ClassificationGuards
