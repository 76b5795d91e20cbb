#include "classification/DossierCall.h"

#include "platform/Dialogs.h"
#include "servers/ClassificationRequests.h"
#include "session/GECentr.h"

namespace nimbo::classification {

emergency::CallOutcome writeDossier(const QVariantList &request)
{
    return emergency::callProtocolServer(kOpScriviFascicolo, request, QStringLiteral("OLE - Protocollo Documenti"));
}

void reportDossierFailure(const emergency::CallOutcome &out, const QString &caption, const QString &where)
{
    switch (out.kind) {
    case emergency::CallOutcome::Ok: return;
    case emergency::CallOutcome::NoServer:
        GECentr::writeLog(out.message, where, caption);
        showBox(caption, QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!"), Icon::Critical);
        return;
    case emergency::CallOutcome::Refused: showBox(caption, out.message, Icon::Warning); return;
    case emergency::CallOutcome::ServerError: {
        // A call that got no reply of the server's own is an error of the
        // call; anything else is the server's answer.
        const bool callError = out.status == QLatin1String("-1");
        const QString text = callError ? QStringLiteral("Server Ole, Errore in Registrazione Fascicolo ") + out.status
                                             + QLatin1Char(' ') + out.message
                                       : QStringLiteral("Server Ole, Errore in Registrazione Protocollo ") + out.message;
        GECentr::writeLog(text, where, caption);
        showBox(caption, text, Icon::Critical);
        return;
    }
    }
}

} // namespace nimbo::classification
