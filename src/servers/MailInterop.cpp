// Operation 9904 of the e-mail server: the receipt confirmation of a
// protocol message of another administration, once it is registered.

#include <QTime>

#include "data/Funzioni_Com_1.h"
#include "mail/InteropMessages.h"
#include "mail/Segnatura.h"
#include "servers/MailServer.h"
#include "servers/MailServerParts.h"
#include "session/DicAmbiente.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace {

const QString kFailure = QStringLiteral("Errore in invio della conferma di ricezione: ");

QDate storedDay(const QVariant &v)
{
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    return QDate::fromString(v.toString().left(10), Qt::ISODate);
}

// The Segnatura a stored e-mail carries (in the original, for certified
// mail); false with *why when there is none or it is not valid.
bool segnaturaOf(const QByteArray &raw, mail::SegnaturaData *data, QString *subject, QString *why)
{
    mail::ParsedMail parsed;
    if (!mail::parseMail(raw, &parsed, why))
        return false;
    const mail::ParsedMail &m = parsed.original ? *parsed.original : parsed;
    *subject = m.subject;
    for (const mail::MailAttachment &a : m.attachments)
        if (mail::isSegnaturaFileName(a.fileName))
            return mail::parseSegnatura(a.data, data, why);
    *why = QStringLiteral("Il messaggio non è un messaggio di protocollo (manca Segnatura.xml).");
    return false;
}

} // namespace

QVariantList MailServer::confirm(const QVariantList &p)
{
    if (p.size() != 3)
        return refusedRequest(QStringLiteral("Richiesta non valida: attesi 3 elementi."));
    QString ente, requested, why;
    bool ok = false;
    const qlonglong provisional = p[1].toLongLong(&ok);
    if (!requestText(p[0], QStringLiteral("ente"), true, &ente, &why)
        || !requestText(p[2], QStringLiteral("operatore"), true, &requested, &why))
        return refusedRequest(why);
    if (!ok || provisional <= 0)
        return refusedRequest(QStringLiteral("Numero provvisorio dell'e-mail non valido."));
    const auto &cfg = DicAmbiente::session().cfg;
    if (cfg.codiceIpa.isEmpty() || cfg.codiceAoo.isEmpty() || cfg.codiceRegistro.isEmpty())
        return {kStatusNotConfigured,
                QStringLiteral("I codici dell'amministrazione per i messaggi di protocollo (CODICEIPA, CODICEAOO, "
                               "CODICEREGISTRO) non sono configurati.")};
    QVariantList fail;
    if (!open(&fail))
        return fail;

    mailserver::Outgoing out;
    out.ente = ente;
    out.kind = QStringLiteral("CONFERMA");
    out.op = writerOf(requested);
    const QVariantList read = runPooledUnit(conn_, QStringLiteral("PROTOCOLLO"), [&]() -> UnitOutcome {
        QSqlQuery query(conn_->db.sql());
        RequestUnit unit(conn_->db, statements(query), kFailure);
        if (auto stop = unit.open())
            return *stop;
        if (!unit.run(QStringLiteral("SELECT e.Tab_email, e.Tab_ProtocolloGenerale, e.Tab_IndirizzoMittente, "
                                     "p.Tab_DataProtocollo, p.Tab_OraProtocollo FROM Tab_ProtocEmailProvvis e LEFT "
                                     "JOIN Tab_Protocollo p ON p.Tab_Ente = e.Tab_Ente AND p.Tab_NumeroProtocollo = "
                                     "e.Tab_ProtocolloGenerale WHERE e.Tab_Ente = ? AND e.Tab_TipoProtocollo = 'E' AND "
                                     "e.Tab_NumeroProtocolloProvv = ?"),
                      {ente, provisional}))
            return unit.failed();
        if (!unit.q->next())
            return {refusedRequest(QStringLiteral("E-mail inesistente: ") + QString::number(provisional))};
        const QByteArray raw = unit.q->value(0).toByteArray();
        out.number = unit.q->value(1).toString().trimmed();
        const QString sender = unit.q->value(2).toString().trimmed();
        const QDate day = storedDay(unit.q->value(3));
        const QTime time = QTime::fromString(unit.q->value(4).toString().trimmed(), QStringLiteral("hh:mm:ss"));
        unit.q->finish();
        if (out.number.isEmpty() || !day.isValid())
            return {refusedRequest(QStringLiteral("L'e-mail non è stata ancora protocollata."))};
        if (sender.isEmpty())
            return {refusedRequest(QStringLiteral("L'e-mail non ha un indirizzo del mittente."))};
        mail::SegnaturaData data;
        QString subject, reason;
        if (!segnaturaOf(raw, &data, &subject, &reason))
            return {refusedRequest(reason)};
        if (!mail::confirmationRequested(data, cfg.codiceIpa, cfg.codiceAoo))
            return {refusedRequest(QStringLiteral("Il mittente non ha chiesto la conferma di ricezione."))};
        const mail::RegistrationId ours{cfg.codiceIpa, cfg.codiceAoo, cfg.codiceRegistro,
                                        mail::segnaturaNumber(out.number.left(4) + QLatin1Char('-') + out.number.mid(4)),
                                        day, time};
        QString error;
        const QByteArray xml = mail::buildConfermaRicezione(ours, data.id, &error);
        if (xml.isEmpty())
            return {refusedRequest(error)};
        out.to = {sender};
        out.subject = QStringLiteral("Conferma di ricezione: ") + mail::cleanHeaderText(subject).left(200);
        out.text = QStringLiteral("Si conferma la ricezione del messaggio di protocollo n. %1 del %2, registrato con il "
                                  "numero %3-%4 del %5.")
                       .arg(data.id.number, data.id.date.toString(QStringLiteral("dd/MM/yyyy")), out.number.left(4),
                            out.number.mid(4), day.toString(QStringLiteral("dd/MM/yyyy")));
        out.attachments = {{QString::fromLatin1(mail::kConfermaRicezioneFileName), QStringLiteral("application/xml"), xml}};
        return unit.commit({F::kStatusOk, QString()});
    });
    if (read.value(0).toString() != QLatin1String("0"))
        return read;
    return send(out);
}

} // namespace nimbo
