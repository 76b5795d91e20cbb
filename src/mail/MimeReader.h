#pragma once
// Reading a received message: headers decoded to Unicode and cleaned, the
// text and HTML bodies in Unicode, attachments as their bytes (never
// unpacked), and what a certified-mail (PEC) envelope says: its kind, the
// message it refers to and, for a certified message, the original message
// inside it. Built on GMime and libxml2.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace nimbo::mail {

struct MailAttachment {
    QString fileName;    // safe as a file name: no folders, no control characters, never empty
    QString contentType; // "type/subtype", lower case
    QByteArray data;     // decoded from its transfer encoding, nothing more
};

struct ParsedMail {
    QString messageId;   // without angle brackets; empty when the message has none
    QString fromAddress; // a plain address (isPlainAddress) or empty
    QString fromName;    // the display name; the whole sender text when it is not a plain address
    QStringList to;      // the plain addresses among To
    QString subject;     // one line
    QDateTime date;      // invalid when missing or unreadable
    QString text;
    QString html;
    // Attached messages included, as "<name>.eml". Of a certified envelope,
    // the envelope's own parts (daticert.xml, smime.p7s): the original's
    // attachments are in original.
    QList<MailAttachment> attachments;

    enum class Certified { None, Message, Acceptance, Delivery, NonAcceptance, NonDelivery, Other };
    Certified certified = Certified::None;
    QString certifiedId; // the message id (no angle brackets) that the envelope or receipt refers to
    QByteArray daticert; // the envelope's certification data (XML) as received
    std::shared_ptr<ParsedMail> original; // the message a certified envelope carries
};

struct ParseLimits {
    qint64 maxMessageBytes = 30 << 20;
    qint64 maxAttachmentBytes = 25 << 20;
    int maxParts = 500;
    int maxDepth = 8; // multiparts and attached messages inside each other
};

// False, with an Italian text in *error, when the message cannot be read or
// passes one of the limits; *out is then unspecified.
bool parseMail(const QByteArray &raw, ParsedMail *out, QString *error, const ParseLimits &limits = {});

// The plain address of a header value such as "Mario Rossi <m.rossi@x.it>",
// "m.rossi@x.it (Mario)" or an encoded word; empty when there is none.
QString plainAddressOf(const QString &headerValue);

// A header text made one line: control characters and line breaks become
// blanks, runs of blanks one, ends trimmed.
QString cleanHeaderText(const QString &text);

// A received file name made safe to write: the last path element, without
// control characters or characters that file systems refuse; "allegato-N"
// (N = index) when nothing is left.
QString safeFileName(const QString &name, int index);

} // namespace nimbo::mail
