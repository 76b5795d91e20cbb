// Operations 9910 and 9911 of the e-mail server: the body's mailbox read
// into provisional e-mail protocols and certified-mail receipts, and one
// message file brought in by hand stored the same way.
//
// Each message is stored in its own transaction and marked seen (or moved)
// on the server only after that commit. A reader stopped anywhere (a crash,
// a lost connection, SIGKILL) leaves each message either stored and still
// unseen, which the next read recognises by its mailbox, UID validity and
// UID and only marks, or not stored at all. The unique keys of the rows make
// the database, not this code, the judge when two readers meet.

#include <QCryptographicHash>
#include <QFileInfo>

#include <algorithm>
#include <optional>

#include "data/Funzioni_Com_1.h"
#include "mail/InteropMessages.h"
#include "mail/MimeWriter.h"
#include "mail/Segnatura.h"
#include "servers/MailServer.h"
#include "servers/MailServerParts.h"

namespace nimbo {

namespace F = Funzioni_Com_1;
using mailserver::BodyMail;
using mailserver::Fetched;

namespace {

const QString kFailure = QStringLiteral("Errore in lettura della casella di posta: ");
// A message larger than this stays in the mailbox, named in the reply.
constexpr qint64 kLargestMessage = qint64(40) << 20;

QString receiptKind(mail::ParsedMail::Certified c)
{
    using C = mail::ParsedMail::Certified;
    switch (c) {
    case C::Acceptance: return QStringLiteral("accettazione");
    case C::Delivery: return QStringLiteral("avvenuta-consegna");
    case C::NonAcceptance: return QStringLiteral("non-accettazione");
    case C::NonDelivery: return QStringLiteral("errore-consegna");
    default: return QStringLiteral("altro");
    }
}

bool isReceipt(const mail::ParsedMail &m)
{
    using C = mail::ParsedMail::Certified;
    return m.certified != C::None && m.certified != C::Message;
}

QVariant nullText(const QString &t) { return t.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(t); }

// A message brought in from a file has no mailbox, nor UIDs in one.
QVariant byMailbox(const Fetched &f, qint64 value)
{
    return f.mailbox.isEmpty() ? QVariant(QMetaType(QMetaType::LongLong)) : QVariant(value);
}

QString stamp(const QDateTime &t) { return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")); }

// What a protocol message of another administration puts into the row: its
// Segnatura read and its documents checked against the digests it declares.
// A Segnatura that fails either way leaves a plain e-mail and the text of
// the exception notice that answers it.
struct Interop {
    bool present = false;
    bool valid = false;
    mail::RegistrationFields fields;
    QByteArray notice; // NotificaEccezione.xml when not valid
};

Interop readInterop(const mail::ParsedMail &m)
{
    Interop out;
    const mail::MailAttachment *segnatura = nullptr;
    QMap<QString, QByteArray> files;
    for (const mail::MailAttachment &a : m.attachments) {
        if (mail::isSegnaturaFileName(a.fileName))
            segnatura = &a;
        else
            files.insert(a.fileName, a.data);
    }
    if (!segnatura)
        return out;
    out.present = true;
    mail::SegnaturaData data;
    QString why;
    if (mail::parseSegnatura(segnatura->data, &data, &why) && mail::checkDigests(data, files, &why)) {
        out.valid = true;
        out.fields = mail::registrationFields(data);
        return out;
    }
    const QString description = QStringLiteral("Messaggio \"%1\" di %2 del %3")
                                    .arg(m.subject, m.fromAddress,
                                         m.date.isValid() ? m.date.toString(QStringLiteral("dd/MM/yyyy hh:mm")) : QString());
    QString error;
    out.notice = mail::notificaForRefusedSegnatura(segnatura->data, why, {}, description, &error);
    return out;
}

// The body and the writer (the session's operator, else the requested
// one, else "POSTA") of a request of `size` elements; a refusal otherwise.
std::optional<QVariantList> bodyAndWriter(const QVariantList &p, int size, QString *ente, QString *op)
{
    if (p.size() != size)
        return refusedRequest(QStringLiteral("Richiesta non valida: attesi %1 elementi.").arg(size));
    QString requested, why;
    if (!requestText(p[0], QStringLiteral("ente"), true, ente, &why)
        || !requestText(p[1], QStringLiteral("operatore"), false, &requested, &why))
        return refusedRequest(why);
    *op = writerOf(requested);
    if (op->isEmpty())
        *op = QStringLiteral("POSTA");
    return std::nullopt;
}

} // namespace

QVariantList MailServer::bodySettings(const QString &ente, bool usable, BodyMail *settings)
{
    QVariantList fail;
    if (!open(&fail))
        return fail;
    return inUnit(kFailure, [&](RequestUnit &unit) -> UnitOutcome {
        bool failed = false;
        QString why;
        *settings = BodyMail();
        if (!mailserver::readBodyMail(unit, ente, settings, &why, &failed)) {
            if (failed)
                return unit.failed();
            if (usable || why.startsWith(QStringLiteral("Ente inesistente")))
                return UnitOutcome{refusedRequest(why)};
            *settings = BodyMail();
        }
        return unit.commit({F::kStatusOk, QString()});
    });
}

QVariantList MailServer::fetch(const QVariantList &p)
{
    QString ente, op;
    if (auto refused = bodyAndWriter(p, 2, &ente, &op))
        return *refused;
    BodyMail settings;
    if (const QVariantList read = bodySettings(ente, true, &settings); read.value(0).toString() != QLatin1String("0"))
        return read;
    if (!settings.canReceive())
        return {kStatusNotConfigured, mailreq::kMailboxNotConfigured};

    mail::ImapMailbox box(settings.imap);
    qint64 validity = 0;
    QList<qint64> uids;
    int stored = 0, receipts = 0, skipped = 0;
    QStringList refused;
    auto stopped = [&](const QString &text) {
        return QVariantList{kStatusMailboxFailed, text, stored, receipts, skipped};
    };
    QList<qint64> all;
    mail::MailResult r = box.open(&validity);
    if (r.ok())
        r = box.newUids(&uids);
    if (r.ok())
        r = box.allUids(&all);
    if (!r.ok())
        return stopped(r.text);

    // Besides the unseen messages, every one after the last stored: reading
    // a message can mark it seen on the server for a moment (when the
    // message itself holds lines that look like the server's answer), and a
    // reader that stops in that moment must not lose it.
    const QString mailbox = settings.mailbox();
    const QVariantList last = inUnit(kFailure, [&](RequestUnit &unit) -> UnitOutcome {
                if (!unit.run(QStringLiteral("SELECT MAX(u) FROM (SELECT MAX(Tab_Uid) AS u FROM Tab_ProtocEmailProvvis WHERE "
                                     "Tab_Ente = ? AND Tab_Casella = ? AND Tab_UidValidity = ? UNION ALL SELECT "
                                     "MAX(Tab_Uid) FROM Tab_RicevutePEC WHERE Tab_Ente = ? AND Tab_Casella = ? AND "
                                     "Tab_UidValidity = ?) m"),
                      {ente, mailbox, validity, ente, mailbox, validity})
            || !unit.q->next())
            return unit.failed();
        const qint64 greatest = unit.q->value(0).isNull() ? 0 : unit.q->value(0).toLongLong();
        unit.q->finish();
        return unit.commit({F::kStatusOk, QString(), greatest});
    });
    if (last.value(0).toString() != QLatin1String("0"))
        return stopped(last.value(1).toString());
    for (const qint64 uid : all)
        if (uid > last.value(2).toLongLong() && !uids.contains(uid))
            uids.append(uid);
    std::sort(uids.begin(), uids.end());
    for (const qint64 uid : uids) {
        Fetched f;
        f.ente = ente;
        f.op = op;
        f.mailbox = mailbox;
        f.uidValidity = validity;
        f.uid = uid;
        f.bodyAddress = settings.address;
        // A message stored by an earlier read that stopped before marking it.
        int outcome = mailserver::AlreadyThere;
        const QVariantList known = inUnit(kFailure, [&](RequestUnit &unit) -> UnitOutcome {
                        bool found = false;
            if (!unit.exists(QStringLiteral("SELECT 1 FROM Tab_ProtocEmailProvvis WHERE Tab_Ente = ? AND Tab_Casella = ? "
                                            "AND Tab_UidValidity = ? AND Tab_Uid = ? UNION ALL SELECT 1 FROM "
                                            "Tab_RicevutePEC WHERE Tab_Ente = ? AND Tab_Casella = ? AND "
                                            "Tab_UidValidity = ? AND Tab_Uid = ?"),
                             {ente, mailbox, validity, uid, ente, mailbox, validity, uid}, &found))
                return unit.failed();
            return unit.commit({F::kStatusOk, QString(), found});
        });
        if (known.value(0).toString() != QLatin1String("0"))
            return stopped(known.value(1).toString());
        if (!known.value(2).toBool()) {
            r = box.fetch(uid, &f.raw, kLargestMessage);
            if (r.code == mail::MailResult::TooBig) {
                refused.append(QStringLiteral("UID %1: %2").arg(uid).arg(r.text));
                continue;
            }
            if (!r.ok())
                return stopped(r.text);
            f.digest = QString::fromLatin1(QCryptographicHash::hash(f.raw, QCryptographicHash::Sha256).toHex());
            QString parseError;
            f.parsed = mail::parseMail(f.raw, &f.mail, &parseError);
            const QVariantList done = runPooledUnit(conn_, QStringLiteral("PROTOCOLLO"),
                                                    [&] { return storeAttempt(f, &outcome); });
            if (done.value(0).toString() != QLatin1String("0"))
                return stopped(done.value(1).toString());
        }
        if (f.queued.id > 0 && settings.canSend())
            transmit(ente, f.queued.id, settings, f.queued.from, f.queued.to, f.queued.raw);
        if (afterCommit_ && !afterCommit_(uid))
            return stopped(QStringLiteral("Lettura interrotta."));
        r = settings.folder.isEmpty() ? box.markSeen(uid) : box.moveTo(uid, settings.folder);
        if (!r.ok())
            return stopped(r.text);
        if (outcome == mailserver::Stored)
            ++stored;
        else if (outcome == mailserver::Receipt)
            ++receipts;
        else
            ++skipped;
    }
    QString text;
    if (!refused.isEmpty())
        text = QStringLiteral("Messaggi lasciati nella casella perché troppo grandi:\n") + refused.join(QLatin1Char('\n'));
    return {F::kStatusOk, text, stored, receipts, skipped + int(refused.size())};
}

QVariantList MailServer::loadFile(const QVariantList &p)
{
    QString ente, op;
    if (auto refused = bodyAndWriter(p, 3, &ente, &op))
        return *refused;
    Fetched f;
    f.raw = p[2].toByteArray();
    if (f.raw.trimmed().isEmpty())
        return refusedRequest(QStringLiteral("Il messaggio è vuoto."));
    if (f.raw.size() > kLargestMessage)
        return refusedRequest(QStringLiteral("Il messaggio supera i %1 MB ammessi.").arg(kLargestMessage >> 20));
    QString parseError;
    f.parsed = mail::parseMail(f.raw, &f.mail, &parseError);
    // A file of any text parses as a message without headers: one that
    // names neither sender nor subject nor date is not a message.
    if (!f.parsed || (f.mail.fromAddress.isEmpty() && f.mail.subject.isEmpty() && !f.mail.date.isValid()))
        return refusedRequest(mailreq::kNotAMessage);
    if (isReceipt(f.mail))
        return refusedRequest(mailreq::kReceiptFile);
    f.ente = ente;
    f.op = op;
    f.digest = QString::fromLatin1(QCryptographicHash::hash(f.raw, QCryptographicHash::Sha256).toHex());
    // A body without a mailbox, or whose password cannot be read, still
    // takes messages by hand.
    BodyMail settings;
    if (const QVariantList read = bodySettings(ente, false, &settings); read.value(0).toString() != QLatin1String("0"))
        return read;
    f.bodyAddress = settings.address;
    int outcome = mailserver::AlreadyThere;
    const QVariantList done =
        runPooledUnit(conn_, QStringLiteral("PROTOCOLLO"), [&] { return storeAttempt(f, &outcome); });
    if (done.value(0).toString() != QLatin1String("0"))
        return done;
    if (outcome != mailserver::Stored)
        return {kStatusAlreadyLoaded, mailreq::kAlreadyLoaded};
    if (f.queued.id > 0 && settings.canSend())
        transmit(ente, f.queued.id, settings, f.queued.from, f.queued.to, f.queued.raw);
    return {F::kStatusOk, QString(), f.provisional};
}

UnitOutcome MailServer::storeAttempt(Fetched &f, int *outcome)
{
    f.queued = {};
    QSqlQuery query(conn_->db.sql());
    RequestUnit unit(conn_->db, statements(query), kFailure);
    if (auto stop = unit.open())
        return *stop;
    const Dialect::Engine engine = Dialect::engineOf(conn_->db.sql());
    // The provisional numbers of a body are given one at a time: its row is
    // locked before the greatest is read (SQLite's write transaction does
    // the same).
    if (engine == Dialect::Engine::PostgreSQL
        && !unit.run(QStringLiteral("SELECT 1 FROM Tab_Enti WHERE Ente_Codice = ? FOR UPDATE"), {f.ente}))
        return unit.failed();
    const std::optional<QDateTime> now = mailserver::serverNow(unit, engine);
    if (!now)
        return unit.failed();
    const QString messageId = mailserver::bareMessageId(f.mail.messageId).isEmpty()
                                  ? QStringLiteral("sha256:") + f.digest
                                  : mailserver::bareMessageId(f.mail.messageId);

    // A receipt is recorded against the message it answers only when that
    // is one we sent: anything else that calls itself a receipt (its
    // signature is not checked) is offered to the operator as an e-mail.
    QVariant sentId(QMetaType(QMetaType::Int)), sentNumber(QMetaType(QMetaType::QString));
    const QString ref = mailserver::bareMessageId(f.mail.certifiedId);
    if (f.parsed && isReceipt(f.mail) && !ref.isEmpty()) {
        if (!unit.run(QStringLiteral("SELECT Id_Invio, Tab_NumeroProtocollo FROM Tab_PostaInviata WHERE Tab_Ente = ? "
                                     "AND Tab_MessageId = ? ORDER BY Id_Invio DESC"),
                      {f.ente, ref}))
            return unit.failed();
        if (unit.q->next()) {
            sentId = unit.q->value(0);
            sentNumber = unit.q->value(1);
        }
        unit.q->finish();
    }
    if (!sentId.isNull()) {
        if (!unit.run(QStringLiteral("INSERT INTO Tab_RicevutePEC (Tab_Ente, Tab_Casella, Tab_UidValidity, Tab_Uid, "
                                     "Tab_Tipo, Tab_MessageIdRif, Id_Invio, Tab_NumeroProtocollo, Tab_Oggetto, "
                                     "Tab_DataRicevuta, Tab_Messaggio, Tab_CodOper, Tab_DatOper) VALUES (?, ?, ?, ?, ?, "
                                     "?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING"),
                      {f.ente, f.mailbox, f.uidValidity, f.uid, receiptKind(f.mail.certified), nullText(ref), sentId,
                       sentNumber, f.mail.subject.left(1000), stamp(f.mail.date.isValid() ? f.mail.date : *now), f.raw,
                       f.op, now->date().toString(Qt::ISODate)}))
            return unit.failed();
        *outcome = unit.q->numRowsAffected() == 1 ? mailserver::Receipt : mailserver::AlreadyThere;
        return unit.commit({F::kStatusOk, QString()});
    }

    // A certified message is registered from the original it carries; the
    // envelope is what is kept.
    const mail::ParsedMail &m = f.mail.original ? *f.mail.original : f.mail;
    QString subject = m.subject.trimmed();
    if (!f.parsed)
        subject = QStringLiteral("(messaggio non leggibile)");
    QVariant sender(QMetaType(QMetaType::Int));
    if (!m.fromAddress.isEmpty()) {
        if (!unit.run(QStringLiteral("SELECT Tab_Identificativo FROM Tab_Rubrica WHERE Tab_EnteRubrica = ? AND "
                                     "lower(Tab_PostaElettronica) = lower(?) AND Tab_Attivo = 1 AND Tab_Cessazione IS "
                                     "NULL"),
                      {f.ente, m.fromAddress}))
            return unit.failed();
        // Taken only when the address names one entry.
        if (unit.q->next()) {
            const QVariant first = unit.q->value(0);
            if (!unit.q->next())
                sender = first;
        }
        unit.q->finish();
    }
    if (!unit.run(QStringLiteral("SELECT COALESCE(MAX(Tab_NumeroProtocolloProvv), 0) + 1 FROM Tab_ProtocEmailProvvis "
                                 "WHERE Tab_Ente = ? AND Tab_TipoProtocollo = 'E'"),
                  {f.ente})
        || !unit.q->next())
        return unit.failed();
    const qlonglong provisional = unit.q->value(0).toLongLong();
    unit.q->finish();
    const QDateTime sent = m.date.isValid() ? m.date : *now;
    const Interop interop = readInterop(m);
    if (interop.valid && !interop.fields.subject.isEmpty())
        subject = interop.fields.subject;
    const QString reference = interop.valid ? interop.fields.senderReference.left(20) : QString();
    const QVariant referenceDate = interop.valid && interop.fields.senderDate.isValid()
                                       ? QVariant(interop.fields.senderDate.toString(Qt::ISODate))
                                       : QVariant(QMetaType(QMetaType::QString));
    if (!unit.run(QStringLiteral("INSERT INTO Tab_ProtocEmailProvvis (Tab_Ente, Tab_TipoProtocollo, "
                                 "Tab_NumeroProtocolloProvv, Tab_DataInvioEml, Tab_Intestatario, Tab_Oggetto, "
                                 "Tab_DataProtocollo, Tab_StatoProtocollo, Tab_email, Tab_CodOper, Tab_DatOper, "
                                 "Tab_IndirizzoMittente, Tab_NomeMittente, Tab_Casella, Tab_UidValidity, Tab_Uid, "
                                 "Tab_MessageId, Tab_ImprontaEml, Tab_Certificata, Tab_ProtDocArrivo, "
                                 "Tab_DataProtDocArrivo) VALUES (?, 'E', ?, ?, ?, ?, ?, 'A', ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                 "?, ?, ?, ?) ON CONFLICT DO NOTHING"),
                  {f.ente, provisional, sent.date().toString(Qt::ISODate), sender, subject.left(1000),
                   now->date().toString(Qt::ISODate), f.raw, f.op, now->date().toString(Qt::ISODate),
                   nullText(m.fromAddress.left(150)), nullText(m.fromName.left(150)), nullText(f.mailbox),
                   byMailbox(f, f.uidValidity), byMailbox(f, f.uid),
                   messageId, f.digest, f.mail.original ? QStringLiteral("S") : QStringLiteral("N"),
                   nullText(reference), referenceDate}))
        return unit.failed();
    if (unit.q->numRowsAffected() != 1) {
        // Stored already, under this UID or (a rebuilt mailbox) another one.
        *outcome = mailserver::AlreadyThere;
        return unit.commit({F::kStatusOk, QString()});
    }
    f.provisional = provisional;
    const QString number = QString::number(provisional);
    for (const mail::MailAttachment &a : m.attachments) {
        if (!unit.run(QStringLiteral("INSERT INTO Tab_allegati (Cod_Ente, num_ProtocolloProvvisorio, Nome_allegato, "
                                     "Descrizione_allegato, Tipo_Doc_allegato, allegato, Compresso, Criptato) VALUES "
                                     "(?, ?, ?, ?, ?, ?, '0', '0')"),
                      {f.ente, number, a.fileName, a.fileName, QFileInfo(a.fileName).suffix().left(10), a.data}))
            return unit.failed();
    }
    // The exception notice is kept with the e-mail, so that it is sent (now,
    // or again later) exactly when the e-mail was stored.
    if (!interop.notice.isEmpty() && !m.fromAddress.isEmpty()) {
        mail::OutgoingMail answer;
        answer.fromAddress = f.bodyAddress;
        answer.to = {m.fromAddress};
        answer.subject = QStringLiteral("Notifica di eccezione: ") + mail::cleanHeaderText(m.subject).left(200);
        answer.text = QStringLiteral("Il messaggio di protocollo ricevuto non è conforme e non è stato registrato come "
                                     "tale: il motivo è indicato nel file allegato.");
        answer.attachments = {{QString::fromLatin1(mail::kNotificaEccezioneFileName), QStringLiteral("application/xml"),
                               interop.notice}};
        QByteArray raw;
        QString answerId, why;
        if (mail::composeMail(answer, &raw, &answerId, &why)) {
            if (!unit.run(QStringLiteral("INSERT INTO Tab_PostaInviata (Tab_Ente, Tab_Tipo, Tab_Mittente, "
                                         "Tab_Destinatari, Tab_Oggetto, Tab_Messaggio, Tab_MessageId, Tab_Stato, "
                                         "Tab_Tentativi, Tab_DataInvio, Tab_CodOper, Tab_DatOper) VALUES (?, "
                                         "'ECCEZIONE', ?, ?, ?, ?, ?, 'P', 1, ?, ?, ?) RETURNING Id_Invio"),
                          {f.ente, answer.fromAddress, m.fromAddress, answer.subject, raw,
                           mailserver::bareMessageId(answerId), stamp(*now), f.op, now->date().toString(Qt::ISODate)})
                || !unit.q->next())
                return unit.failed();
            f.queued = {unit.q->value(0).toLongLong(), answer.fromAddress, {m.fromAddress}, raw};
            unit.q->finish();
        }
    }
    *outcome = mailserver::Stored;
    return unit.commit({F::kStatusOk, QString()});
}

} // namespace nimbo
