// Operation 9904 of the e-mail server: the receipt confirmation of a
// protocol message of another administration, once it is registered.

#include <QTime>

#include <QFileInfo>
#include <QRegularExpression>

#include "data/Funzioni_Com_1.h"
#include "data/Zip.h"
#include "mail/MailAddress.h"
#include "mail/InteropMessages.h"
#include "mail/Segnatura.h"
#include "servers/MailServer.h"
#include "servers/MailServerParts.h"
#include "session/DicAmbiente.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace {

const QString kConfirmFailure = QStringLiteral("Errore in invio della conferma di ricezione: ");
const QString kSendFailure = QStringLiteral("Errore in invio del messaggio di protocollo: ");

QDate storedDay(const QVariant &v)
{
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    return QDate::fromString(v.toString().left(10), Qt::ISODate);
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
    const QVariantList read = inUnit(kConfirmFailure, [&](RequestUnit &unit) -> UnitOutcome {
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
        if (!mail::segnaturaOfMessage(raw, &data, &subject, &reason))
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

namespace {

// A stored document as it was filed, unzipped when it was kept zipped. An
// enciphered one cannot be read here and is never sent as it lies.
bool storedDocument(const QVariant &bytes, const QVariant &zipped, const QVariant &enciphered, const QString &name,
                    QByteArray *out, QString *why)
{
    if (enciphered.toString().trimmed() == QLatin1String("1")) {
        *why = QStringLiteral("Il documento %1 è cifrato e non può essere inviato.").arg(name);
        return false;
    }
    if (zipped.toString().trimmed() != QLatin1String("1")) {
        *out = bytes.toByteArray();
        return true;
    }
    return Zip::extractBytes(bytes.toByteArray(), out, why);
}

QString mimeTypeOf(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return QStringLiteral("application/pdf");
    if (suffix == QLatin1String("tif") || suffix == QLatin1String("tiff"))
        return QStringLiteral("image/tiff");
    if (suffix == QLatin1String("xml"))
        return QStringLiteral("application/xml");
    if (suffix == QLatin1String("txt"))
        return QStringLiteral("text/plain");
    return QStringLiteral("application/octet-stream");
}

} // namespace

QVariantList MailServer::sendProtocol(const QVariantList &p)
{
    if (p.size() != 4)
        return refusedRequest(QStringLiteral("Richiesta non valida: attesi 4 elementi."));
    mailserver::Outgoing out;
    out.kind = QStringLiteral("SEGNATURA");
    QString recipient, requested, why;
    if (!requestText(p[0], QStringLiteral("ente"), true, &out.ente, &why)
        || !requestText(p[1], QStringLiteral("numero di protocollo"), true, &out.number, &why)
        || !requestText(p[2], QStringLiteral("destinatario"), true, &recipient, &why)
        || !requestText(p[3], QStringLiteral("operatore"), true, &requested, &why))
        return refusedRequest(why);
    static const QRegularExpression elevenDigits(QStringLiteral("^[0-9]{11}$"));
    if (!elevenDigits.match(out.number).hasMatch())
        return refusedRequest(QStringLiteral("Numero di protocollo non valido: ") + out.number.left(20));
    if (!mail::isPlainAddress(recipient))
        return refusedRequest(QStringLiteral("Indirizzo e-mail del destinatario non valido: ") + recipient.left(200));
    const auto &cfg = DicAmbiente::session().cfg;
    if (cfg.codiceIpa.isEmpty() || cfg.codiceAoo.isEmpty() || cfg.codiceRegistro.isEmpty())
        return {kStatusNotConfigured,
                QStringLiteral("I codici dell'amministrazione per i messaggi di protocollo (CODICEIPA, CODICEAOO, "
                               "CODICEREGISTRO) non sono configurati.")};
    out.op = writerOf(requested);
    out.to = {recipient};
    QVariantList fail;
    if (!open(&fail))
        return fail;

    const QVariantList read = inUnit(kSendFailure, [&](RequestUnit &unit) -> UnitOutcome {
                if (!unit.run(QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_Oggetto, p.Tab_DataProtocollo, "
                                     "p.Tab_OraProtocollo, p.Tab_SoggPrivacy, p.Tab_CodiceOpeReg, p.Tab_StatoProtocollo, "
                                     "r.Tab_Denominazione, e.Ente_Denominazione, e.Ente_PostaElettronica, o.Op_AbilPrivacy "
                                     "FROM Tab_Protocollo p JOIN Tab_Enti e ON e.Ente_Codice = p.Tab_Ente LEFT JOIN "
                                     "Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND r.Tab_Identificativo = "
                                     "p.Tab_Intestatario LEFT JOIN Tab_Operatori o ON o.Op_Codice_Operatore = ? WHERE "
                                     "p.Tab_Ente = ? AND p.Tab_NumeroProtocollo = ?"),
                      {out.op, out.ente, out.number}))
            return unit.failed();
        if (!unit.q->next())
            return {refusedRequest(QStringLiteral("Protocollo inesistente: ") + out.number)};
        auto text = [&](int i) { return unit.q->value(i).toString().trimmed(); };
        if (text(0) != QLatin1String("U"))
            return {refusedRequest(QStringLiteral("Solo un protocollo in uscita si invia come messaggio di protocollo."))};
        if (text(6) == QLatin1String("C"))
            return {refusedRequest(QStringLiteral("Il protocollo è annullato."))};
        const bool reserved = text(4) == QLatin1String("S");
        if (reserved && text(10) != QLatin1String("S") && text(5) != out.op)
            return {{QStringLiteral("992"), QStringLiteral("Documento riservato: l'operatore non è abilitato a inviarlo.")}};
        mail::SegnaturaData data;
        const QDate day = storedDay(unit.q->value(2));
        data.id = {cfg.codiceIpa, cfg.codiceAoo, cfg.codiceRegistro,
                   mail::segnaturaNumber(out.number.left(4) + QLatin1Char('-') + out.number.mid(4)), day,
                   QTime::fromString(text(3), QStringLiteral("hh:mm:ss"))};
        data.subject = text(1);
        data.reserved = reserved;
        data.sender = {text(8), cfg.codiceIpa, cfg.codiceAoo, text(9)};
        mail::SegnaturaRecipient to;
        static_cast<mail::SegnaturaParty &>(to) = {text(7).isEmpty() ? recipient : text(7), {}, {}, recipient};
        data.recipients = {to};
        unit.q->finish();

        // The documents: the scanned image first, then the attachments.
        QList<mail::MailAttachment> files;
        if (!unit.run(QStringLiteral("SELECT Immagine, Compresso, Criptato FROM Tab_immagini WHERE ID_ente = ? AND "
                                     "Tipo_protocollo = 'D' AND Prot_Numero = ?"),
                      {out.ente, out.number}))
            return unit.failed();
        if (unit.q->next()) {
            QByteArray bytes;
            if (!storedDocument(unit.q->value(0), unit.q->value(1), unit.q->value(2), QStringLiteral("documento.tif"), &bytes,
                                &why))
                return {refusedRequest(why)};
            files.append({QStringLiteral("documento.tif"), QStringLiteral("image/tiff"), bytes});
        }
        unit.q->finish();
        if (!unit.run(QStringLiteral("SELECT Nome_allegato, allegato, Compresso, Criptato FROM Tab_allegati WHERE Cod_Ente = ? AND "
                                     "num_ProtocolloGenerale = ? ORDER BY Id_allegato"),
                      {out.ente, out.number}))
            return unit.failed();
        while (unit.q->next()) {
            QByteArray bytes;
            const QString name = mail::safeFileName(unit.q->value(0).toString(), int(files.size()));
            if (!storedDocument(unit.q->value(1), unit.q->value(2), unit.q->value(3), name, &bytes, &why))
                return {refusedRequest(why)};
            files.append({name, mimeTypeOf(name), bytes});
        }
        unit.q->finish();
        if (files.isEmpty())
            return {refusedRequest(QStringLiteral("Il protocollo non ha documenti da inviare (immagine o allegati)."))};
        auto described = [](const mail::MailAttachment &f) {
            return mail::SegnaturaDocument{f.fileName, f.contentType, mail::sha256(f.data), QStringLiteral("SHA-256"), {}};
        };
        data.primary = described(files.first());
        for (int i = 1; i < files.size(); ++i)
            data.attachments.append(described(files[i]));
        // The signature (XAdES) goes here when the body has a signing device:
        // buildSegnatura takes the signer as its third argument.
        const QByteArray segnatura = mail::buildSegnatura(data, &why);
        if (segnatura.isEmpty())
            return {refusedRequest(why)};
        files.append({QString::fromLatin1(mail::kSegnaturaFileName), QStringLiteral("application/xml"), segnatura});
        out.attachments = files;
        out.subject = QStringLiteral("Prot. N. %1-%2 del %3 - %4")
                          .arg(out.number.left(4), out.number.mid(4), day.toString(QStringLiteral("dd/MM/yyyy")),
                               mail::cleanHeaderText(data.subject).left(200));
        out.text = QStringLiteral("Si trasmette il documento protocollato con il numero %1-%2 del %3.\r\nOggetto: %4")
                       .arg(out.number.left(4), out.number.mid(4), day.toString(QStringLiteral("dd/MM/yyyy")),
                            data.subject);
        return unit.commit({F::kStatusOk, QString()});
    });
    if (read.value(0).toString() != QLatin1String("0"))
        return read;
    return send(out);
}

} // namespace nimbo
