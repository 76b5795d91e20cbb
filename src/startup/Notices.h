#pragma once
// The notices the main window shows once at its first activation: changes
// of the body's structure, documents waiting for the operator, assignments
// due within five days.

#include <QString>
#include <QStringList>

#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"

namespace Notices {

struct Who {
    int level = 0;
    QString entity;
    QString code;
    QString office;
    QString department;
};

QString pendingStructureCountQuery();
QString recentStructureChangesQuery(Dialect::Engine e);
// The lines shown for the structure changes read by the query above.
QString structureChangesText(const Funzioni_Com_1::LoadedRows &rows);

// A document waiting for the operator; empty for levels outside 6-9.
QString waitingDocumentQuery(const Who &who);
// An assignment due within five days, restricted by operator, office or
// department for levels 6, 7 and 8.
QString dueSoonQuery(Dialect::Engine e, const Who &who);

inline const QString kStructureQuestion =
    QStringLiteral("Attenzione! Sono state notificate variazioni riguardanti la struttura dell'Ente. \n") +
    QStringLiteral("Per visualizzarle premi 'SI'.");
inline const QString kStructureTitle =
    QStringLiteral("Sono intervenute le seguenti modifiche alla struttura dei dipartimenti e degli uffici:");
inline const QString kWaitingNotice =
    QStringLiteral(" - Vi sono documenti a Voi assegnati dall'ufficio Protocollo o trasmessi da altri uffici. ") +
    QStringLiteral("Per prenderne visione visualizzate l'elenco dei documenti in arrivo utilizzando la funzione di "
                   "gestione dell'Iter dei documenti.");
inline const QString kDueSoonNotice =
    QStringLiteral(" - Vi sono state assegnate Pratiche da evadere entro i prossimi cinque giorni.");

} // namespace Notices
