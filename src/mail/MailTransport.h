#pragma once
// The body's mail servers: reading a mailbox over IMAP and sending over
// SMTP, both through libcurl and always over TLS (implicit, or STARTTLS that
// must succeed). The server's certificate is always verified: against the
// CA file when one is given, else against the system's store. No UI: every
// call returns a code and an Italian text that includes libcurl's own.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace nimbo::mail {

enum class Security { Tls, StartTls };

struct ServerSettings {
    QString host;
    int port = 0; // 0: the protocol's usual port (993/465 with Tls, 143/587 with StartTls)
    Security security = Security::Tls;
    QString user, password; // SMTP: no AUTH when user is empty
    QString caFile;         // PEM file of the trusted CA; empty: the system's
    int timeoutSeconds = 30; // connecting, and the longest silence of the server
};

struct MailResult {
    int code = 0;  // 0 done; otherwise one of the codes below
    QString text;  // Italian text for the operator
    bool ok() const { return code == 0; }

    static constexpr int Connect = 1;        // host unknown or unreachable, connection lost
    static constexpr int Tls = 2;            // TLS refused or the certificate not trusted
    static constexpr int Authentication = 3; // user or password refused
    static constexpr int Protocol = 4;       // the server refused a command or answered nonsense
    static constexpr int Timeout = 5;
    static constexpr int TooBig = 6;         // a message over the size allowed
    static constexpr int Refused = 7;        // our input refused before anything was sent
    static constexpr int NotFound = 8;       // no such message or mailbox, or its UID validity changed
};

// One folder of a mailbox, read over one connection that is kept for the
// object's life (and opened again by itself when the server drops it).
// UIDs are those of the folder's UID validity read by open(); once open()
// succeeded, a change of UID validity makes every later call fail with
// NotFound rather than act on another message.
class ImapMailbox {
public:
    explicit ImapMailbox(const ServerSettings &settings, const QString &folder = QStringLiteral("INBOX"));
    ~ImapMailbox();
    ImapMailbox(const ImapMailbox &) = delete;
    ImapMailbox &operator=(const ImapMailbox &) = delete;

    QString folder() const;

    // Connects, logs in and reads the folder's UID validity.
    MailResult open(qint64 *uidValidity);
    // The UIDs of the messages not yet seen (and not deleted), ascending.
    MailResult newUids(QList<qint64> *uids);
    // Every UID of the folder, ascending.
    MailResult allUids(QList<qint64> *uids);
    // The whole message as stored on the server. Reading never marks it
    // seen. A message over maxBytes is refused with TooBig (never cut).
    MailResult fetch(qint64 uid, QByteArray *raw, qint64 maxBytes);
    MailResult markSeen(qint64 uid);
    // Moves the message to another folder of the same mailbox, creating
    // the folder when it is missing.
    MailResult moveTo(qint64 uid, const QString &folder);
    // Removes the message for good.
    MailResult remove(qint64 uid);
    // Deletes a folder of the mailbox with whatever it holds (not this
    // object's own folder while it is in use).
    MailResult deleteFolder(const QString &folder);

    // Folder names we put into IMAP commands: printable ASCII without
    // quotes, backslashes or wildcards, "/" or "." as hierarchy separator.
    static bool isSafeFolderName(const QString &folder);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Sends one message (CRLF line ends, as composeMail writes it). The envelope
// sender and every recipient must be plain addresses (isPlainAddress);
// otherwise nothing is sent and the result is Refused.
MailResult sendMessage(const ServerSettings &settings, const QString &envelopeFrom, const QStringList &recipients,
                       const QByteArray &message);

} // namespace nimbo::mail
