#pragma once
// The dossiers a new protocol is filed into by operation 10 (its
// Tab_ProFascicoli rows). A dossier receives a protocol only while it exists,
// is open and its title, category and class are active: otherwise the
// whole registration is refused before a number is taken.

#include <QString>
#include <QVector>
#include <optional>

#include "servers/RequestParts.h"

namespace nimbo {

struct FiledDossier {
    QString title, category, cls;
    qlonglong code = 0;
    // "01.02.03.00007", as the clerk reads a dossier.
    QString shown() const;
};

// Reads the rows' codes: title, category and class texts that fit their
// columns, a dossier code from 1 up, the row's body (when given) the
// protocol's, and no dossier named twice. False with *why naming the
// dossier or the field.
bool readFiledDossiers(const QVector<RequestRow> &rows, const QString &ente, QVector<FiledDossier> *out,
                       QString *why);

// Empty when the dossier may receive the protocol, the refusal otherwise;
// nothing when the statement failed (*q holds it). Run inside the writing
// transaction: on PostgreSQL the dossier's row is held (FOR SHARE) until
// the commit, so a dossier closed at the same moment elsewhere is either
// seen closed here or closed after this filing. Only the dossier is held:
// a deactivation of its class updates the class first and the dossier
// last, so holding the class too could only add a deadlock.
std::optional<QString> filedDossierRefusal(const RequestUnit::Exec &exec, QSqlQuery *&q, bool postgres,
                                           const QString &ente, const FiledDossier &d);

} // namespace nimbo
