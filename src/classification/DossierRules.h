#pragma once
// The dossiers of a class: the queries of their window, the checks of a
// dossier before it is written, and the request that writes it through the
// protocol server (operation 303, which hands out the code of a new one).

#include <QDate>
#include <QString>

#include "servers/ClassificationRequests.h"
#include "ui/RecordEditor.h"

namespace nimbo::classification {

// The class the dossiers belong to.
struct DossierClass {
    QString ente, title, category, cls;
};

// A dossier code as it is shown: "00007".
QString shownDossierCode(qint64 code);

// The class's dossiers: code ("00000"), description, opening and closing
// date, ordered by description.
QString dossierListQuery(const DossierClass &c);
QString dossierLoadQuery(const DossierClass &c, qint64 code);
// Finds a row when a protocol is classified into the dossier: by the
// dossier's own codes, which every classification row carries.
QString dossierUsedQuery(const DossierClass &c, qint64 code);

// The checks in their order, on the columns Tab_Descrizione, Tab_Apertura
// and Tab_Chiusura (dates "dd/mm/yyyy" as typed).
ui::CheckList dossierChecks();

// The request of operation 303: code 0 for a new dossier.
struct DossierData {
    QString description;
    QDate opened;
    QDate closed; // invalid while open
};
QVariantList dossierWriteRequest(const DossierClass &c, qint64 code, bool isNew, const DossierData &d,
                                 const QString &writer, const QDate &today);

} // namespace nimbo::classification
