// Operations 9901, 9902 and 9903 of the e-mail server: a message is kept
// in Tab_PostaInviata before it leaves, and the row tells what became of it.

#include <QRegularExpression>

#include "data/Funzioni_Com_1.h"
#include "mail/MailAddress.h"
#include "mail/MimeWriter.h"
#include "servers/MailServer.h"
#include "servers/MailServerParts.h"

namespace nimbo {

namespace F = Funzioni_Com_1;
using mailserver::BodyMail;
using mailserver::Outgoing;

namespace {

const QString kFailure = QStringLiteral("Errore in invio E-Mail: ");
// A message still "P" after this long was being sent by a reader that
// stopped (a crash): it may be sent again.
constexpr int kStaleMinutes = 10;

bool protocolNumber(const QString &number, QString *why)
{
    static const QRegularExpression elevenDigits(QStringLiteral("^[0-9]{11}$"));
    if (elevenDigits.match(number).hasMatch())
        return true;
    *why = QStringLiteral("Numero di protocollo non valido: ") + number + QStringLiteral(" (attese 11 cifre).");
    return false;
}

bool subjectAndText(const QVariant &subject, const QVariant &text, Outgoing *out, QString *why)
{
    if (!requestText(subject, QStringLiteral("oggetto"), true, &out->subject, why))
        return false;
    if (!mail::isHeaderSafe(out->subject)) {
        *why = QStringLiteral("L'oggetto del messaggio non può contenere ritorni a capo o caratteri di controllo.");
        return false;
    }
    // The text keeps its line breaks: only the check of storable text.
    if (!isPlainValue(text) || text.toString().trimmed().isEmpty()) {
        *why = QStringLiteral("il corpo della mail non può essere vuoto.");
        return false;
    }
    out->text = text.toString();
    if (out->text.contains(QChar(0))) {
        *why = QStringLiteral("Il testo del messaggio contiene caratteri non ammessi.");
        return false;
    }
    return true;
}

bool recipientAddress(const QString &address, QString *why)
{
    if (mail::isPlainAddress(address))
        return true;
    *why = QStringLiteral("Indirizzo e-mail del destinatario non valido: ") + address.left(200);
    return false;
}

} // namespace

QVariantList MailServer::notice(const QVariantList &p)
{
    if (p.size() != 6)
        return refusedRequest(QStringLiteral("Richiesta non valida: attesi 6 elementi."));
    Outgoing out;
    out.kind = QStringLiteral("NOTIFICA");
    QString requested, why;
    if (!requestText(p[0], QStringLiteral("ente"), true, &out.ente, &why)
        || !requestText(p[1], QStringLiteral("numero di protocollo"), true, &out.number, &why)
        || !protocolNumber(out.number, &why) || !subjectAndText(p[3], p[4], &out, &why)
        || !requestText(p[5], QStringLiteral("operatore"), true, &requested, &why))
        return refusedRequest(why);
    const QVariantList list = p[2].toList();
    for (const QVariant &v : list) {
        QString address;
        if (!requestText(v, QStringLiteral("destinatario"), true, &address, &why) || !recipientAddress(address, &why))
            return refusedRequest(why);
        if (!out.to.contains(address, Qt::CaseInsensitive))
            out.to.append(address);
    }
    if (out.to.isEmpty())
        return refusedRequest(QStringLiteral(
            "selezionare l'indirizzo e-mail di almeno un destinatario a cui notificare l'avvenuta protocollazione"));
    out.op = writerOf(requested);
    return send(out);
}

QVariantList MailServer::single(const QVariantList &p)
{
    if (p.size() != 8)
        return refusedRequest(QStringLiteral("Richiesta non valida: attesi 8 elementi."));
    Outgoing out;
    QString requested, recipient, why;
    if (!requestText(p[0], QStringLiteral("ente"), true, &out.ente, &why)
        || !requestText(p[1], QStringLiteral("tipo di messaggio"), true, &out.kind, &why)
        || !requestText(p[2], QStringLiteral("numero di protocollo"), false, &out.number, &why)
        || !requestText(p[3], QStringLiteral("destinatario"), true, &recipient, &why)
        || !recipientAddress(recipient, &why) || !subjectAndText(p[4], p[5], &out, &why)
        || !requestText(p[6], QStringLiteral("operatore"), true, &requested, &why)
        || !requestText(p[7], QStringLiteral("mittente"), false, &out.from, &why))
        return refusedRequest(why);
    out.kind = out.kind.toUpper();
    if (out.kind == mailreq::kReceipt) {
        if (!protocolNumber(out.number, &why))
            return refusedRequest(why);
        out.from.clear(); // the body's own address
    } else if (out.kind == mailreq::kGeneral) {
        if (!out.number.isEmpty())
            return refusedRequest(QStringLiteral("Un messaggio generico non riguarda un protocollo."));
        if (!out.from.isEmpty() && !mail::isPlainAddress(out.from))
            return refusedRequest(QStringLiteral("Indirizzo e-mail del mittente non valido: ") + out.from.left(200));
    } else {
        return refusedRequest(QStringLiteral("Tipo di messaggio non valido: ") + out.kind.left(20));
    }
    out.to = {recipient};
    out.op = writerOf(requested);
    return send(out);
}

QVariantList MailServer::send(const Outgoing &out)
{
    QVariantList fail;
    if (!open(&fail))
        return fail;
    BodyMail settings;
    qlonglong id = 0;
    const QVariantList kept =
        runPooledUnit(conn_, QStringLiteral("PROTOCOLLO"), [&] { return keepAttempt(out, &settings, &id); });
    if (kept.value(0).toString() != QLatin1String("0"))
        return kept;
    const QString from = kept.value(2).toString();
    const QByteArray raw = kept.value(3).toByteArray();
    return transmit(out.ente, id, settings, from, out.to, raw);
}

// Checks what the message refers to, composes it and keeps it: the reply
// carries the sender and the message, *id the row.
UnitOutcome MailServer::keepAttempt(const Outgoing &out, BodyMail *settings, qlonglong *id)
{
    QSqlQuery query(conn_->db.sql());
    RequestUnit unit(conn_->db, statements(query), kFailure);
    if (auto stop = unit.open(unit.operatorCheck(out.op, out.ente, true,
                                                 QStringLiteral("Operatore non abilitato per l'ente: "))))
        return *stop;
    QString why;
    bool failed = false;
    *settings = BodyMail();
    if (!mailserver::readBodyMail(unit, out.ente, settings, &why, &failed))
        return failed ? unit.failed() : UnitOutcome{refusedRequest(why)};
    if (!settings->canSend())
        return {{kStatusNotConfigured, mailreq::kNotConfigured}};

    if (!out.number.isEmpty()) {
        bool found = false;
        if (!unit.exists(QStringLiteral("SELECT 1 FROM Tab_Protocollo WHERE Tab_Ente = ? AND Tab_NumeroProtocollo = ?"),
                         {out.ente, out.number}, &found))
            return unit.failed();
        if (!found)
            return {refusedRequest(QStringLiteral("Protocollo inesistente: ") + out.number)};
    }
    // The sender: a notice is the operator's (his office's address when he
    // has none of his own), a general e-mail the office's the window names,
    // anything else the body's.
    QString from = out.from;
    if (out.kind == QLatin1String("NOTIFICA")) {
        if (!unit.run(QStringLiteral("SELECT o.Op_Email, u.Tab_Email FROM Tab_Operatori o LEFT JOIN Tab_Uffici u ON "
                                     "u.Tab_Ente = o.Op_Ente AND u.Tab_Dipartimento = o.Op_Dipartimento AND "
                                     "u.Tab_Ufficio = o.Op_CodiceUfficio WHERE o.Op_Codice_Operatore = ?"),
                      {out.op}))
            return unit.failed();
        if (unit.q->next()) {
            from = unit.q->value(0).toString().trimmed();
            if (!mail::isPlainAddress(from))
                from = unit.q->value(1).toString().trimmed();
        }
        unit.q->finish();
    }
    if (!mail::isPlainAddress(from))
        from = settings->address;
    if (!mail::isPlainAddress(from))
        return {{kStatusNotConfigured, mailreq::kNotConfigured}};

    mail::OutgoingMail message;
    message.fromAddress = from;
    message.to = out.to;
    message.subject = out.subject;
    message.text = out.text;
    message.attachments = out.attachments;
    QByteArray raw;
    QString messageId;
    if (!mail::composeMail(message, &raw, &messageId, &why))
        return {refusedRequest(why)};

    const std::optional<QDateTime> now = mailserver::serverNow(unit, Dialect::engineOf(conn_->db.sql()));
    if (!now)
        return unit.failed();
    // Born claimed (one attempt, "P"): a resend never picks it up while
    // this send is under way, only once it failed or went stale.
    if (!unit.run(QStringLiteral("INSERT INTO Tab_PostaInviata (Tab_Ente, Tab_NumeroProtocollo, Tab_Tipo, "
                                 "Tab_Mittente, Tab_Destinatari, Tab_Oggetto, Tab_Messaggio, Tab_MessageId, Tab_Stato, "
                                 "Tab_Tentativi, Tab_DataInvio, Tab_CodOper, Tab_DatOper) VALUES (?, ?, ?, ?, ?, ?, ?, "
                                 "?, 'P', 1, ?, ?, ?) RETURNING Id_Invio"),
                  {out.ente, out.number.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(out.number),
                   out.kind, from, out.to.join(QStringLiteral(", ")), out.subject, raw,
                   mailserver::bareMessageId(messageId), now->toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), out.op,
                   now->date().toString(Qt::ISODate)})
        || !unit.q->next())
        return unit.failed();
    *id = unit.q->value(0).toLongLong();
    unit.q->finish();
    return unit.commit({F::kStatusOk, QString(), from, raw});
}

QVariantList MailServer::transmit(const QString &ente, qlonglong id, const BodyMail &settings,
                                  const QString &envelopeFrom, const QStringList &recipients, const QByteArray &raw)
{
    const mail::MailResult sent = mail::sendMessage(settings.smtp, envelopeFrom, recipients, raw);
    const QVariantList recorded = inUnit(kFailure, [&](RequestUnit &unit) -> UnitOutcome {
                const std::optional<QDateTime> now = mailserver::serverNow(unit, Dialect::engineOf(conn_->db.sql()));
        if (!now)
            return unit.failed();
        const QString at = now->toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        const bool ok = sent.ok();
        if (!unit.run(QStringLiteral("UPDATE Tab_PostaInviata SET Tab_Stato = ?, Tab_Errore = ?, Tab_DataInvio = ? "
                                     "WHERE Id_Invio = ? AND Tab_Ente = ?"),
                      {ok ? QStringLiteral("I") : QStringLiteral("E"),
                       ok ? QVariant(QMetaType(QMetaType::QString)) : QVariant(sent.text.left(1000)), at, id, ente}))
            return unit.failed();
        return unit.commit({F::kStatusOk, QString()});
    });
    if (!sent.ok())
        return {kStatusKeptForRetry, sent.text, id};
    if (recorded.value(0).toString() != QLatin1String("0"))
        // Sent, but the row still says "P": it could be sent twice later;
        // say so rather than report a plain success.
        return {recorded.value(0), QStringLiteral("Messaggio inviato, ma non registrato come inviato: ")
                                       + recorded.value(1).toString(),
                id};
    return {F::kStatusOk, QString(), id};
}

QVariantList MailServer::resend(const QVariantList &p)
{
    if (p.size() != 2)
        return refusedRequest(QStringLiteral("Richiesta non valida: attesi 2 elementi."));
    QString ente, why;
    if (!requestText(p[0], QStringLiteral("ente"), true, &ente, &why))
        return refusedRequest(why);
    bool ok = false;
    const qlonglong only = p[1].toLongLong(&ok);
    if (!ok || only < 0)
        return refusedRequest(QStringLiteral("Identificativo del messaggio non valido (Id_Invio)."));
    QVariantList fail;
    if (!open(&fail))
        return fail;

    // Claims every message to send again in one unit: a row is taken by
    // raising its attempts from the value read, so of two resends at once
    // only one sends it.
    struct Claimed {
        qlonglong id;
        QString from;
        QStringList to;
        QByteArray raw;
    };
    QVector<Claimed> claimed;
    BodyMail settings;
    const QVariantList taken = inUnit(kFailure, [&](RequestUnit &unit) -> UnitOutcome {
        claimed.clear();
                bool failed = false;
        settings = BodyMail();
        if (!mailserver::readBodyMail(unit, ente, &settings, &why, &failed))
            return failed ? unit.failed() : UnitOutcome{refusedRequest(why)};
        if (!settings.canSend())
            return {{kStatusNotConfigured, mailreq::kNotConfigured}};
        const std::optional<QDateTime> now = mailserver::serverNow(unit, Dialect::engineOf(conn_->db.sql()));
        if (!now)
            return unit.failed();
        const QString stale = now->addSecs(-60 * kStaleMinutes).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        QString sql = QStringLiteral("SELECT Id_Invio, Tab_Tentativi, Tab_Mittente, Tab_Destinatari, Tab_Messaggio "
                                     "FROM Tab_PostaInviata WHERE Tab_Ente = ? AND (Tab_Stato = 'E' OR (Tab_Stato = "
                                     "'P' AND Tab_DataInvio < ?))");
        QVariantList binds{ente, stale};
        if (only > 0) {
            sql += QStringLiteral(" AND Id_Invio = ?");
            binds.append(only);
        }
        if (!unit.run(sql + QStringLiteral(" ORDER BY Id_Invio"), binds))
            return unit.failed();
        QVector<QPair<Claimed, int>> rows;
        while (unit.q->next())
            rows.append({{unit.q->value(0).toLongLong(), unit.q->value(2).toString(),
                          mail::splitAddresses(unit.q->value(3).toString()), unit.q->value(4).toByteArray()},
                         unit.q->value(1).toInt()});
        unit.q->finish();
        for (const auto &[row, attempts] : rows) {
            if (!unit.run(QStringLiteral("UPDATE Tab_PostaInviata SET Tab_Tentativi = ?, Tab_Stato = 'P', "
                                         "Tab_DataInvio = ? WHERE Id_Invio = ? AND Tab_Tentativi = ? AND "
                                         "Tab_Stato <> 'I'"),
                          {attempts + 1, now->toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), row.id, attempts}))
                return unit.failed();
            if (unit.q->numRowsAffected() == 1)
                claimed.append(row);
        }
        return unit.commit({F::kStatusOk, QString()});
    });
    if (taken.value(0).toString() != QLatin1String("0"))
        return taken;
    int sent = 0, failing = 0;
    QString lastError;
    for (const Claimed &c : claimed) {
        const QVariantList r = transmit(ente, c.id, settings, c.from, c.to, c.raw);
        if (r.value(0).toString() == QLatin1String("0")) {
            ++sent;
        } else {
            ++failing;
            lastError = r.value(1).toString();
        }
    }
    return {F::kStatusOk, lastError, sent, failing};
}

} // namespace nimbo
