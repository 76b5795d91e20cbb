#pragma once
// Calls of the application servers the e-mail windows make: the e-mail
// server (OLEEML) for every message sent, and the protocol server (OLEGP)
// for the registration of a provisional e-mail. A message the SMTP server
// refused stays with the e-mail server; the clerk is told why and may send
// it again at once.

#include <QString>
#include <QVariantList>

namespace nimbo::email {

struct SendResult {
    enum Kind { Sent, Refused, NotConfigured, Kept, Failed, NoServer };
    Kind kind = Failed;
    QString text;    // the server's text
    qlonglong id = 0; // the kept message (Tab_PostaInviata.Id_Invio)
};

// Whether mail can be sent from this workstation at all: an e-mail server
// configured and the body's SMTP server known.
bool mailConfigured();

// One call of the e-mail server, with the title "OLE - Invio E-mail".
SendResult callMailServer(short operation, QVariantList request);

// Tells the operator how a send went: on success the given text (none when
// empty); a kept message is offered again (operation 9903) until it goes or
// the operator gives up. True when the message left.
bool reportSend(const QString &title, SendResult result, const QString &successText = {});

// Reads the body's mailbox into provisional e-mails (operation 9910): the
// text for the operator when it could not be read to the end, empty when it
// was read or the body keeps no mailbox here (its mail is read elsewhere).
QString fetchMailbox();

// Stores a message file brought in by hand (an .eml dragged onto the
// window) as a provisional e-mail (operation 9911): the provisional number
// it was given, or the text for the operator in *why.
qlonglong loadMessageFile(const QByteArray &raw, QString *why);

// One call of the protocol server with the given request title; empty
// reply and *created false when the server cannot be created (logged).
QVariantList callProtocolServer(short operation, QVariantList request, const QString &title, bool *created);

} // namespace nimbo::email
