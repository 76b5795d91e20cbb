#pragma once
// One call of the protocol server (the OLEGP key) with the wait text and the
// pending-request title shown while it runs, and its outcome as the
// emergency windows report it.

#include <QString>
#include <QVariantList>

namespace nimbo::emergency {

struct CallOutcome {
    enum Kind { Ok, Refused, ServerError, NoServer } kind = ServerError;
    QString status;  // element 0 of the reply
    QString message; // element 1 of the reply, or why the server could not be made
    QVariantList reply;
    bool ok() const { return kind == Ok; }
};

CallOutcome callProtocolServer(short operation, const QVariantList &request, const QString &requestTitle,
                               const QString &waitText = QStringLiteral("Attendere.Scrittura su remoto in corso"));

// The same call on the server named by its ProgID (the OLEIMG key's, ...).
CallOutcome callServer(const QString &progId, short operation, const QVariantList &request,
                       const QString &requestTitle,
                       const QString &waitText = QStringLiteral("Attendere.Scrittura su remoto in corso"));

// Shows a failed call: a refusal as the server wrote it, a failed creation
// as "Errore In Creazione OLE e/o linea non disponibile!", any other error
// after `errorPrefix` with its number and text.
void reportFailure(const CallOutcome &out, const QString &caption, const QString &errorPrefix, const QString &where);

} // namespace nimbo::emergency
