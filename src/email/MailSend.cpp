#include "email/MailSend.h"

#include "data/Funzioni_Com_1.h"
#include "data/ServerRegistry.h"
#include "email/EmailRules.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "servers/MailRequests.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"

namespace F = Funzioni_Com_1;

namespace nimbo::email {
namespace {

const QString kSendError = QStringLiteral("Server Ole, Errore in invio E-Mail ");
const QString kSendErrorWith = QStringLiteral("Server Ole, Errore in invio E-Mail: ");
const QString kMailTitle = QStringLiteral("OLE - Invio E-mail");
const QString kMailNotCreated = QStringLiteral("Errore In Creazione OLEEML e/o linea non disponibile!");
// Our own: what became of a message the SMTP server did not take.
const QString kKeptForRetry = QStringLiteral("Il messaggio è stato conservato: premere Riprova per inviarlo di nuovo, "
                                             "Annulla per lasciarlo in attesa di un nuovo invio.");

QVariantList call(const QString &progId, short operation, QVariantList &request, const QString &title, bool *created)
{
    busy::Guard guard;
    busy::setRequestTitle(title);
    ServerHolder holder;
    QString why;
    QVariantList reply;
    *created = createServer(holder, progId, &why);
    if (*created)
        reply = holder.object->Elabora(operation, request);
    else
        GECentr::writeLog(why, QStringLiteral("Elabora ") + QString::number(operation), QStringLiteral("Email"));
    holder.release();
    busy::setRequestTitle(QString());
    return reply;
}

SendResult resultOf(const QVariantList &reply)
{
    SendResult r;
    const QString status = reply.value(0).toString().trimmed();
    r.text = reply.value(1).toString();
    if (status == QLatin1String("0")) {
        r.kind = SendResult::Sent;
        r.id = reply.value(2).toLongLong();
    } else if (status == kStatusRefused) {
        r.kind = SendResult::Refused;
    } else if (status == kStatusNotConfigured) {
        r.kind = SendResult::NotConfigured;
    } else if (status == kStatusKeptForRetry) {
        r.kind = SendResult::Kept;
        r.id = reply.value(2).toLongLong();
    } else {
        r.kind = SendResult::Failed;
        r.text = status + QLatin1Char(' ') + r.text;
    }
    return r;
}

// The kept message sent again; still kept when it did not go, with the
// SMTP server's latest answer.
SendResult resend(qlonglong id)
{
    SendResult r = callMailServer(kOpReinviaEmail, mailreq::resendRequest(DicAmbiente::session().op.ente, id));
    if (r.kind != SendResult::Sent)
        return r;
    // The reply counts what went; the row says what became of this one.
    bool failed = false;
    const auto row = F::loadRow(QStringLiteral("PROTOCOLLO"),
                                QStringLiteral("SELECT Tab_Stato, Tab_Errore FROM Tab_PostaInviata WHERE Id_Invio = ")
                                    + QString::number(id),
                                &failed);
    if (row && row->value(0).toString().trimmed() == QLatin1String("I"))
        return {SendResult::Sent, QString(), id};
    return {SendResult::Kept, row ? row->value(1).toString().trimmed() : QString(), id};
}

} // namespace

bool mailConfigured()
{
    const auto &s = DicAmbiente::session();
    return !s.cfg.oleEml.trimmed().isEmpty() && !s.entePostaSmtp.trimmed().isEmpty();
}

SendResult callMailServer(short operation, QVariantList request)
{
    bool created = false;
    const QVariantList reply = call(DicAmbiente::session().cfg.oleEml, operation, request, kMailTitle, &created);
    if (!created)
        return {SendResult::NoServer, QString(), 0};
    return resultOf(reply);
}

bool reportSend(const QString &title, SendResult result, const QString &successText)
{
    for (;;) {
        switch (result.kind) {
        case SendResult::Sent:
            if (!successText.isEmpty())
                showBox(title, successText, Icon::Information);
            return true;
        case SendResult::Refused:
            showBox(title, result.text, Icon::Warning);
            return false;
        case SendResult::NotConfigured:
            showBox(title, kExpert + (result.text.isEmpty() ? mailreq::kNotConfigured : result.text), Icon::Warning);
            return false;
        case SendResult::NoServer:
            showBox(title, kMailNotCreated, Icon::Critical);
            return false;
        case SendResult::Failed:
            GECentr::writeLog(kSendError + result.text, QStringLiteral("reportSend"), QStringLiteral("Email"));
            showBox(title, kSendError + result.text, Icon::Critical);
            return false;
        case SendResult::Kept:
            if (showBox(title, kSendErrorWith + result.text + QStringLiteral("\n\n") + kKeptForRetry, Icon::Critical,
                        Buttons::RetryCancel)
                != Answer::Retry)
                return false;
            result = resend(result.id);
            break;
        }
    }
}

QString fetchMailbox()
{
    const auto &s = DicAmbiente::session();
    if (s.cfg.oleEml.trimmed().isEmpty())
        return {};
    bool created = false;
    QVariantList request = mailreq::mailboxRequest(s.op.ente, s.op.code);
    QVariantList reply;
    {
        busy::Guard guard;
        busy::setWaitText(QStringLiteral("Attendere.lettura della casella di posta in corso"));
        reply = call(s.cfg.oleEml, kOpLeggiCasella, request, QStringLiteral("OLE - Protocollo Email"), &created);
        busy::setWaitText(QString());
    }
    if (!created)
        return kMailNotCreated;
    const QString status = reply.value(0).toString().trimmed();
    if (status == QLatin1String("0") || status == kStatusNotConfigured)
        return {};
    GECentr::writeLog(kReadMailError + status + QLatin1Char(' ') + reply.value(1).toString(),
                      QStringLiteral("fetchMailbox"), QStringLiteral("Email"));
    return kReadMailError + reply.value(1).toString();
}

qlonglong loadMessageFile(const QByteArray &raw, QString *why)
{
    const auto &s = DicAmbiente::session();
    if (s.cfg.oleEml.trimmed().isEmpty()) {
        *why = kMailNotCreated;
        return 0;
    }
    bool created = false;
    QVariantList request = mailreq::messageFileRequest(s.op.ente, s.op.code, raw);
    const QVariantList reply =
        call(s.cfg.oleEml, kOpCaricaEmail, request, QStringLiteral("OLE - Protocollo Email"), &created);
    if (!created) {
        *why = kMailNotCreated;
        return 0;
    }
    const QString status = reply.value(0).toString().trimmed();
    if (status == QLatin1String("0"))
        return reply.value(2).toLongLong();
    if (status == kStatusRefused || status == kStatusAlreadyLoaded) {
        *why = reply.value(1).toString();
        return 0;
    }
    GECentr::writeLog(kReadMailError + status + QLatin1Char(' ') + reply.value(1).toString(),
                      QStringLiteral("loadMessageFile"), QStringLiteral("Email"));
    *why = kReadMailError + reply.value(1).toString();
    return 0;
}

QVariantList callProtocolServer(short operation, QVariantList request, const QString &title, bool *created)
{
    return call(DicAmbiente::session().cfg.oleGp, operation, request, title, created);
}

} // namespace nimbo::email
