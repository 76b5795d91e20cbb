#include "iter/SendCall.h"

#include "data/ServerRegistry.h"
#include "iter/SendRules.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"

namespace nimbo::iter {

CallOutcome callIterServer(short operation, const QVariantList &request)
{
    CallOutcome out;
    busy::Guard guard;
    busy::setWaitText(QString::fromUtf8(kWaitText));
    busy::setRequestTitle(QString::fromUtf8(kRequestTitle));
    ServerHolder holder;
    QString why;
    const bool created = createServer(holder, DicAmbiente::session().cfg.oleGp, &why);
    if (created) {
        QVariantList params = request;
        out.reply = holder.object->Elabora(operation, params);
    }
    holder.release();
    busy::setWaitText(QString());
    busy::setRequestTitle(QString());
    if (!created) {
        out.kind = CallOutcome::NoServer;
        out.message = why;
        return out;
    }
    const QString status = out.reply.value(0).toString().trimmed();
    if (out.reply.isEmpty()) {
        out.kind = CallOutcome::Unreadable;
    } else if (status == QLatin1String("0")) {
        out.kind = CallOutcome::Ok;
    } else if (status == QLatin1String("991")) {
        out.kind = CallOutcome::Refused;
        out.message = out.reply.value(1).toString();
    } else {
        out.kind = CallOutcome::ServerError;
        out.message = out.reply.value(1).toString() + QStringLiteral("  (Err.Num=") + status + QLatin1Char(')');
    }
    return out;
}

void reportFailure(const CallOutcome &out, const QString &caption, const QString &errorPrefix,
                   const QString &otherFailure, const QString &where, const QString &window)
{
    switch (out.kind) {
    case CallOutcome::Ok:
        return;
    case CallOutcome::Refused:
        showBox(caption, out.message, Icon::Warning);
        return;
    case CallOutcome::ServerError:
        GECentr::writeLog(errorPrefix + out.message, where, window);
        showBox(caption, errorPrefix + out.message, Icon::Critical);
        return;
    case CallOutcome::NoServer:
        GECentr::writeLog(out.message, where, window);
        showBox(caption, QStringLiteral("Errore In Creazione OLE"), Icon::Critical);
        return;
    case CallOutcome::Unreadable:
        showBox(caption, otherFailure, Icon::Critical);
        return;
    }
}

} // namespace nimbo::iter
