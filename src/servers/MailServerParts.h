#pragma once
// What the e-mail server's sending and receiving share: the body's mail
// settings and the shapes of a message on its way in or out.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include "data/Dialect.h"
#include "mail/MailTransport.h"
#include "mail/MimeReader.h"
#include "servers/RequestParts.h"

namespace nimbo::mailserver {

// The body's mail account as Tab_Enti holds it, the password deciphered.
struct BodyMail {
    QString address;           // Ente_PostaElettronica
    mail::ServerSettings smtp; // empty host: no sending
    mail::ServerSettings imap; // empty host: no mailbox
    QString folder;            // where read messages are moved; empty: they are only marked seen
    // The mailbox as rows name it: account, server and folder.
    QString mailbox() const;
    bool canSend() const { return !smtp.host.isEmpty(); }
    bool canReceive() const { return !imap.host.isEmpty() && !imap.user.isEmpty(); }
};

// Reads the body's settings inside an open unit: false with *why when the
// body is unknown or its password cannot be deciphered (the unit's
// statement failure is told by *failed).
bool readBodyMail(RequestUnit &unit, const QString &ente, BodyMail *out, QString *why, bool *failed);

// A message to send, as the request gave it, checked.
struct Outgoing {
    QString ente, kind, number, op;
    QString from;          // header and envelope sender
    QStringList to;
    QString subject, text;
    QList<mail::MailAttachment> attachments;
};

// A message read from the mailbox, before it is stored.
struct Fetched {
    QString ente, op, mailbox;
    qint64 uidValidity = 0, uid = 0;
    QByteArray raw;
    QString digest;    // SHA-256 of raw, hex
    mail::ParsedMail mail; // parsed; for certified mail the envelope (its original inside)
    bool parsed = false;
    QString bodyAddress;   // the mailbox's own address, sender of any answer
    qlonglong provisional = 0; // the number it was stored under
    // An answer kept with the message (an exception notice), to send once
    // the message is stored.
    struct Queued {
        qlonglong id = 0;
        QString from;
        QStringList to;
        QByteArray raw;
    } queued;
};

// What a stored message turned out to be.
enum Outcome { Stored = 0, Receipt = 1, AlreadyThere = 2 };

// The database clock inside a unit, or nothing when its statement failed.
std::optional<QDateTime> serverNow(RequestUnit &unit, Dialect::Engine engine);

// A Message-ID without its angle brackets and blanks, as rows compare it.
QString bareMessageId(const QString &id);

} // namespace nimbo::mailserver
