#pragma once
// Writing a message to send: headers encoded as mail requires (RFC 2047
// subject and names), a UTF-8 text and attachments, CRLF line ends.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "mail/MimeReader.h"

namespace nimbo::mail {

struct OutgoingMail {
    QString fromAddress, fromName;
    QStringList to;
    QString subject, text;
    QList<MailAttachment> attachments; // fileName and data; contentType may be empty (application/octet-stream)
};

// The message with Date, a new Message-ID at the sender's domain (returned
// in *messageId without angle brackets), the subject, the text
// (quoted-printable UTF-8) and the attachments (base64). False with an
// Italian text in *error when an address is not a plain address, there is
// no recipient, or the subject, the name or a file name would break a
// header line.
bool composeMail(const OutgoingMail &mail, QByteArray *raw, QString *messageId, QString *error);

} // namespace nimbo::mail
