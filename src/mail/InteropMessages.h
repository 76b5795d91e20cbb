#pragma once
// The messages an administration sends back about a registered message it
// received: the receipt confirmation (ConfermaRicezione) and the exception
// notice (NotificaEccezione) for one it could not accept. Both are written
// and read against the shipped pec_message.xsd. Also what a received
// Segnatura puts into the registration window.

#include "mail/Segnatura.h"

#include <QByteArray>
#include <QDate>
#include <QString>

namespace nimbo::mail {

// The message an answer is about: its registration identifier when it
// could be read, otherwise a description (subject, sender, date of the
// e-mail) that lets the sender find it.
struct ReceivedMessage {
    RegistrationId id;
    QString description;
    bool operator==(const ReceivedMessage &) const = default;
};

enum class InteropKind {
    ConfermaRicezione,
    AggiornamentoConferma,
    NotificaEccezione,
    AnnullamentoProtocollazione,
};

struct InteropMessage {
    InteropKind kind = InteropKind::ConfermaRicezione;
    RegistrationId id;        // the registration of whoever sends this message (may be empty in a notice)
    ReceivedMessage received; // what it is about (not in a cancellation)
    QString reason;           // exception notice and cancellation
    QString measure;          // cancellation: the act that decided it
    bool operator==(const InteropMessage &) const = default;
};

// File names the messages travel under.
inline constexpr char kConfermaRicezioneFileName[] = "ConfermaRicezione.xml";
inline constexpr char kNotificaEccezioneFileName[] = "NotificaEccezione.xml";

// ours: our registration of the received message; received: the sender's
// identifier read from its Segnatura. Validated before it is returned.
QByteArray buildConfermaRicezione(const RegistrationId &ours, const RegistrationId &received, QString *error);

// ours may be empty (nothing registered yet); received needs either a
// complete identifier or a description. The reason is cut to a length a
// mail client shows, without the characters XML cannot carry.
QByteArray buildNotificaEccezione(const RegistrationId &ours, const ReceivedMessage &received, const QString &reason,
                                  QString *error);

// The notice for a Segnatura that was refused: takes the sender's
// identifier from the refused text when it can be read whole (a malformed
// or invalid document often still names it), else uses the description.
QByteArray notificaForRefusedSegnatura(const QByteArray &segnaturaXml, const QString &reason,
                                       const RegistrationId &ours, const QString &messageDescription,
                                       QString *error);

// Reads any of the four messages, validated first.
bool parseInteropMessage(const QByteArray &xml, InteropMessage *out, QString *error);

// Whether the sender asked the recipient (ourAdministration, ourAoo) for a
// receipt confirmation. A Segnatura that does not name us among its
// recipients asks nothing of us.
bool confirmationRequested(const SegnaturaData &data, const QString &ourAdministration, const QString &ourAoo);

// The Segnatura a whole stored message carries (in the original, for
// certified mail) and the message's subject; false with *why when there is
// none or it is not valid.
bool segnaturaOfMessage(const QByteArray &rawMessage, SegnaturaData *data, QString *subject, QString *why);

// What a received Segnatura fills in the registration window, as plain
// values: subject, the sender's reference ("Prot. N." and "del"),
// classification text, and what identifies the sender in the address book.
struct RegistrationFields {
    QString subject;           // Oggetto
    QString senderReference;   // Prot. N. (Tab_ProtDocArrivo)
    QDate senderDate;          // del (Tab_DataProtDocArrivo)
    QString classification;    // "code - name", or whichever is given
    QString senderName;
    QString senderAdministration; // IPA codes, to find the correspondent
    QString senderAoo;
    QString senderEmail;
    bool reserved = false;     // suggests Tab_SoggPrivacy "S"
};
RegistrationFields registrationFields(const SegnaturaData &data);

} // namespace nimbo::mail
