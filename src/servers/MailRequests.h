#pragma once
// The e-mail server (ProgID NimboServer.Email, configuration key OLEEML)
// and the protocol server's registration of a provisional e-mail protocol.
// The windows build every request through the functions below.
//
// Every message the server sends is first written to Tab_PostaInviata
// (state "P", the whole message as it will leave) and committed; the SMTP
// exchange follows, and the row becomes "I" (sent, with the time) or "E"
// (the server's error text, the attempts counted). So a send that fails is
// kept and can be sent again (operation 9903, or `nimbo-admin send-mail`),
// and a crash between the two leaves a "P" row that is sent again, never a
// message silently lost. The SMTP server and its account are the body's
// (Tab_Enti: Ente_Posta_SMTP, Ente_Posta_PortaServer, Ente_Posta_Sicurezza,
// Ente_Posta_Utente or Ente_PostaElettronica, Ente_PWD_Posta enciphered);
// a body without an SMTP server refuses with kNotConfigured.
//
// Operation 9901, the registration notice to colleagues. Request (6):
//   0  body
//   1  the protocol number (11 digits), which must be in the body's register
//   2  the recipients: a list of addresses (at least one, each valid)
//   3  subject
//   4  text (not empty)
//   5  operator code (the session's when there is one)
// The sender is the operator's Op_Email (the office's when he has none).
// Reply: [0, "", Id_Invio]; ["991", text naming the field] refused;
// ["993", kNotConfigured] no mail server; ["994", the SMTP server's text,
// Id_Invio] kept for a later attempt; [status, text] database failure.
//
// Operation 9902, one e-mail: the receipt of a registered e-mail protocol or
// a general e-mail. Request (8):
//   0  body
//   1  kind: "RICEVUTA" or "GENERALE"
//   2  the protocol number (11 digits) for a receipt; empty otherwise
//   3  the recipient address
//   4  subject
//   5  text
//   6  operator code
//   7  sender address: the office's for a general e-mail; empty for a
//      receipt (the body's)
// Reply as 9901.
//
// Operation 9903, a kept message sent again. Request (2): body, Id_Invio
// (0: every "P" or "E" row of the body). Reply: [0, "", sent, still failing].
//
// Operation 9910, the body's mailbox read: every new message becomes a
// provisional e-mail protocol (or a certified-mail receipt recorded against
// the message it answers). Request (2): body, operator code. Reply:
// [0, "", stored, receipts, skipped]; ["993", kMailboxNotConfigured];
// ["995", the IMAP server's text, stored so far] when the mailbox could not
// be read to the end (what was stored stays stored).
//
// Operation 9911, a message file (.eml) brought in by hand: stored as a
// provisional e-mail protocol exactly as one read from the mailbox, with no
// mailbox, UID validity or UID. Request (3): body, operator code, the
// message's bytes (at most 40 MB). Reply: [0, "", provisional number] stored;
// ["996", kAlreadyLoaded] the same message is there already (by its
// Message-ID and digest); ["991", why] refused (empty, too large, not a
// readable message, a certified-mail receipt); [status, text] database
// failure.
//
// Operation 9904, the receipt confirmation (ConfermaRicezione) of a
// registered protocol message of another administration, sent to its
// sender. Request (3): body, the provisional number of the e-mail, operator
// code. The e-mail must be registered and carry a valid Segnatura.xml that
// asks us for a confirmation; the body's codes (CODICEIPA, CODICEAOO,
// CODICEREGISTRO) must be configured. Reply as 9901; ["991", why] refused.
//
// Operation 9905, an outgoing registered protocol sent to another
// administration as a protocol message: its documents (the scanned image
// as the primary document, else its first attachment; the attachments)
// and a Segnatura.xml that names them with their SHA-256 digests. Request
// (4): body, protocol number (11 digits, outgoing), recipient address,
// operator code. A reserved protocol is sent only by an operator who holds
// the privacy right or registered it. Reply as 9901.
//
// Protocol server, operation 54: a provisional e-mail protocol registered.
// Request: the 7 elements of operation 10 (element 0 "A"), then
//   7  the provisional number (Tab_NumeroProtocolloProvv)
// In one transaction: the provisional row is locked, must be pending
// ("A", no general number), the protocol is registered as operation 10
// does, the provisional row takes Tab_ProtocolloGenerale, and the
// message's attachments (Tab_allegati rows of the provisional number) are
// given the new number. Reply: operation 10's reply; ["991", kAlreadyRegistered]
// when the message was registered meanwhile.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace nimbo {

inline const QString kMailProgId = QStringLiteral("NimboServer.Email");

constexpr short kOpNotificaProtocollo = 9901;
constexpr short kOpInviaEmail = 9902;
constexpr short kOpReinviaEmail = 9903;
constexpr short kOpConfermaRicezione = 9904;
constexpr short kOpInviaProtocollo = 9905;
constexpr short kOpLeggiCasella = 9910;
constexpr short kOpCaricaEmail = 9911;
constexpr short kOpProtocollaEmail = 54;

inline const QString kStatusNotConfigured = QStringLiteral("993");
inline const QString kStatusKeptForRetry = QStringLiteral("994");
inline const QString kStatusMailboxFailed = QStringLiteral("995");
inline const QString kStatusAlreadyLoaded = QStringLiteral("996");

namespace mailreq {

inline const QString kNotConfigured = QStringLiteral(
    "La funzione di invio della Posta non può essere utilizzata in quanto il sistema non è correttamente configurato.");
inline const QString kMailboxNotConfigured =
    QStringLiteral("La casella di posta dell'ente non è configurata (server IMAP, utente e password).");
inline const QString kAlreadyRegistered =
    QStringLiteral("Operazione non permessa: è stato già assegnato un protocollo definitivo alla e-mail.");

inline const QString kAlreadyLoaded = QStringLiteral("Il messaggio è già tra le e-mail ricevute.");
inline const QString kNotAMessage = QStringLiteral("Il file non è un messaggio di posta leggibile.");
inline const QString kReceiptFile =
    QStringLiteral("Il file è una ricevuta di posta certificata: le ricevute si leggono dalla casella dell'ente.");

inline const QString kReceipt = QStringLiteral("RICEVUTA");
inline const QString kGeneral = QStringLiteral("GENERALE");

inline QVariantList noticeRequest(const QString &ente, const QString &number, const QStringList &recipients,
                                  const QString &subject, const QString &text, const QString &operatorCode)
{
    return {ente, number, QVariant(recipients), subject, text, operatorCode};
}

inline QVariantList mailRequest(const QString &ente, const QString &kind, const QString &number,
                                const QString &recipient, const QString &subject, const QString &text,
                                const QString &operatorCode, const QString &sender = {})
{
    return {ente, kind, number, recipient, subject, text, operatorCode, sender};
}

inline QVariantList resendRequest(const QString &ente, qlonglong id = 0) { return {ente, id}; }

inline QVariantList protocolMessageRequest(const QString &ente, const QString &number, const QString &recipient,
                                          const QString &operatorCode)
{
    return {ente, number, recipient, operatorCode};
}

inline QVariantList confirmationRequest(const QString &ente, qlonglong provisionalNumber, const QString &operatorCode)
{
    return {ente, provisionalNumber, operatorCode};
}

inline QVariantList mailboxRequest(const QString &ente, const QString &operatorCode) { return {ente, operatorCode}; }

inline QVariantList messageFileRequest(const QString &ente, const QString &operatorCode, const QByteArray &raw)
{
    return {ente, operatorCode, raw};
}

// Operation 54: operation 10's request with the provisional number appended.
inline QVariantList registerEmailRequest(QVariantList registration, qlonglong provisionalNumber)
{
    registration.append(provisionalNumber);
    return registration;
}

} // namespace mailreq
} // namespace nimbo
