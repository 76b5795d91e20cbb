#pragma once
// The recovery of one emergency registration into the general register:
// the definitive protocol through operation 10 of the protocol server, then
// the definitive number on the local emergency record, then the scanned
// image through operation 301 of the image server.
//
// Recovery never registers twice. Before asking for a number it looks the
// emergency register and number up in the general register: a protocol that
// already carries them (a recovery whose local update failed, or a crash
// between the two writes) gives its number back, and only the local record
// is completed.

#include <QDate>
#include <QString>

#include "servers/ProtocolServer.h"

namespace nimbo::emergency {

// The local emergency record, as far as recovery needs it.
struct EmergencyRecord {
    QString direction;   // "E" / "U"
    QString number;      // emergency number, 11 digits
    QString sessionKey;  // Tab_ChiaveRegistrazione, "2007TABCD001"
    QDate date;          // emergency protocol date
    QDate received;
    QString receivedAt;
    QString docType;
    QString subject;
    QString notes;
    QString refNumber;
    QDate refDate;
    QString category, cls;
    QString general;     // the definitive number, once recovered
};

// Reads the local record of body "999"; false when it is not there.
bool readEmergencyRecord(const QString &direction, const QString &number, EmergencyRecord *out);

// Who recovers: body, operator, department and office, and whether the
// department is the protocol office's.
struct Recoverer {
    QString ente, operatorCode, department, office;
    bool protocolOffice = false;
};
Recoverer recovererFromSession();

// The columns of the definitive protocol.
ColumnValues recoveryColumns(const EmergencyRecord &r, const Recoverer &who, qlonglong correspondent,
                             const QString &docType, const QString &time);

// The general protocol that already carries this emergency registration;
// empty when there is none (or the lookup failed: *failed then says so).
QString alreadyRecovered(const QString &ente, const EmergencyRecord &r, bool *failed = nullptr);

// The copy of the image scanned with an emergency registration (kept on the
// workstation under the emergency body) to the definitive protocol. The
// local row is marked migrated once the server holds it: until then a
// recovery run again copies it again, and the server replaces the copy it
// had, so the protocol never has two. An image the protocol received
// otherwise (scanned on it after a copy that failed) is kept by the server:
// Kept, with the server's text for the operator, and the local row is
// marked all the same.
struct ImageCopy {
    enum Kind { None, Copied, Kept, NoServer, CallError, Failed } kind = None;
    QString code;    // the server's status (or "2" for the local mark)
    QString message; // the server's or the database's text
    bool ok() const { return kind == None || kind == Copied || kind == Kept; }
};
// Whether the registration has an image not yet copied.
bool imagePending(const EmergencyRecord &r);
ImageCopy copyImage(const EmergencyRecord &r, const QString &general, const QString &ente, const QString &operatorCode);

struct RecoveryOutcome {
    enum Kind { Registered, Reused, Refused, ServerError, NoServer, NoTime, LocalFailed, ImageFailed } kind = ServerError;
    QString number;  // the definitive number (also when only the local update or the image failed)
    QString message; // refused: the server's text as it is; errors: what went wrong
    ImageCopy image;
    bool ok() const { return kind == Registered || kind == Reused; }
};

// The whole recovery of one record; nothing is shown. A record already
// recovered whose image is still to copy only has its image copied.
RecoveryOutcome recover(const EmergencyRecord &r, const Recoverer &who, qlonglong correspondent, const QString &docType);

// Writes the definitive number on the local record, in one transaction.
bool completeLocalRecord(const EmergencyRecord &r, const QString &general, const QString &operatorCode, QString *why);

} // namespace nimbo::emergency
