#pragma once
// What the read-only protocol detail reads and how it words what it read,
// apart from the widget: the statements, the lines of the further
// recipients, the emergency data, the cancellation and the failures.

#include <QString>
#include <QStringList>
#include <QVariant>

#include "data/Funzioni_Com_1.h"

namespace nimbo::search::protocoldetail {

// Columns of protocolQuery.
enum Column {
    CDirection, CNumber, CState, CDate, CReceived, CReceivedTime, CPrivacy, CEmergencyRegister, CEmergencyNumber,
    CHolder, CHolderName, CDocType, CDocTypeName, CDepartment, CDepartmentName, COffice, COfficeName, CMember,
    CMemberName, CSubject, CNotes, CCancelledOn, CCancelledBy, CCancelledBySurname, CCancelledByName, CReason,
    CReasonName, CCancelNotes, CActType, CActNumber, CActDate, CColumnCount
};
// The protocol of the body with the names of what its codes stand for
// (each kept empty when its table has no row, so the protocol still shows).
QString protocolQuery(const QString &ente, const QString &direction, const QString &number);

// The further recipients: name, street, street number, municipality, by name.
QString furtherRecipientsQuery(const QString &ente, const QString &direction, const QString &number);
// name " - " street ", " number " - " municipality.
QString recipientLine(const QString &name, const QString &street, const QString &streetNumber,
                      const QString &municipality);

// An emergency register or number as shown: "/" when the protocol has none
// (a direct registration stores a blank).
QString emergencyText(const QVariant &value);
// The state is "C" (shown "C A N C E L L A T O"); any other is active.
bool cancelled(const QVariant &state);

// The cancellation as the clerk reads it: date, operator, reason, notes.
struct Cancellation {
    QVariant on;
    QString operatorCode, surname, name, reason, reasonName, notes;
    QString act; // the authorising act as shown, empty when none
};
Cancellation cancellationOf(const Funzioni_Com_1::LoadedRows &protocol);
QString cancellationText(const Cancellation &c);

// A dossier row of protocol::dossiersQuery as four cells: title, category,
// class and dossier, each code " - " description.
QStringList dossierCells(const Funzioni_Com_1::LoadedRows &rows, int row);

// What to tell when some reads failed: the parts not read (in the words of
// the sentence, "l'iter"), whether the register was out of reach.
QString unreadText(const QStringList &parts, bool unreachable);

} // namespace nimbo::search::protocoldetail
