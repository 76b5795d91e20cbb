#include "emergency/ServerCall.h"

#include "data/ServerRegistry.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "servers/ProtocolServer.h"

namespace nimbo::emergency {

CallOutcome callProtocolServer(short operation, const QVariantList &request, const QString &requestTitle,
                               const QString &waitText)
{
    return callServer(DicAmbiente::session().cfg.oleGp, operation, request, requestTitle, waitText);
}

CallOutcome callServer(const QString &progId, short operation, const QVariantList &request,
                       const QString &requestTitle, const QString &waitText)
{
    CallOutcome out;
    busy::Guard guard;
    busy::setWaitText(waitText);
    busy::setRequestTitle(requestTitle);
    ServerHolder holder;
    QString why;
    const bool created = createServer(holder, progId, &why);
    if (created) {
        QVariantList params = request;
        try {
            out.reply = holder.object->Elabora(operation, params);
        } catch (const std::exception &e) {
            out.reply = {-1, QString::fromLocal8Bit(e.what())};
        }
    }
    holder.release();
    busy::setWaitText(QString());
    busy::setRequestTitle(QString());
    if (!created) {
        out.kind = CallOutcome::NoServer;
        out.message = why;
        return out;
    }
    out.status = out.reply.value(0).toString().trimmed();
    out.message = out.reply.value(1).toString();
    if (out.status == QLatin1String("0"))
        out.kind = CallOutcome::Ok;
    else if (out.status == kStatusRefused)
        out.kind = CallOutcome::Refused;
    else
        out.kind = CallOutcome::ServerError;
    return out;
}

void reportFailure(const CallOutcome &out, const QString &caption, const QString &errorPrefix, const QString &where)
{
    switch (out.kind) {
    case CallOutcome::Ok: return;
    case CallOutcome::Refused: showBox(caption, out.message, Icon::None); return;
    case CallOutcome::NoServer:
        GECentr::writeLog(out.message, where, caption);
        showBox(caption, QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!"), Icon::Critical);
        return;
    case CallOutcome::ServerError:
        GECentr::writeLog(errorPrefix + out.status + QLatin1Char(' ') + out.message, where, caption);
        showBox(caption, errorPrefix + out.status + QStringLiteral(" - ") + out.message, Icon::Critical);
        return;
    }
}

} // namespace nimbo::emergency
