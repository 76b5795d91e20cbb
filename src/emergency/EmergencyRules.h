#pragma once
// The rules of the emergency windows that need no widget: the checks of a
// session and of an emergency registration, the emergency numbering, the
// texts that carry an emergency number into the general register, the stamp.

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "data/Funzioni_Com_1.h"

namespace nimbo::emergency {

// The body under which emergency registrations are kept on a workstation.
inline const QString kEmergencyBody = QStringLiteral("999");
inline const QString kLocal = QStringLiteral("TABLOCAL");
inline const QString kCentral = QStringLiteral("PROTOCOLLO");

// "dd/mm/yyyy" as typed; invalid otherwise.
QDate typedDate(const QString &text);
// "hh:nn" or "hh:nn:ss".
bool typedTime(const QString &text);

// ---- sessions ------------------------------------------------------------------

struct SessionForm {
    QString opened, openedAt;
    QString reason, reasonDescription; // the description found for the code, empty when none
    QString closed, closedAt;
    QString aligned;
};
inline const QString kSessionHeading = QStringLiteral("ATTENZIONE! Sono stati riscontrati i seguenti errori:");
// Every failure, in order, one text each; an empty "aligned" becomes "NO".
QStringList sessionFailures(SessionForm *f);

// ---- emergency registration -------------------------------------------------------

struct EmergencyForm {
    QString direction; // "E" / "U"
    QString dataProtocollo, oraProtocollo;
    QString dataRicezione, oraRicezione;
    QString intestatario, tipologia, oggetto;
    QString refNumber, refDate;
    QString destinatari;
};
inline const QString kRegistrationHeading = QStringLiteral("ATTENZIONE ");
// Every failure, in order (nothing is written while one remains).
QStringList registrationFailures(const EmergencyForm &f);

// The session key as the emergency login shows it ("2007/T/ABCD/001")
// without its separators: "2007TABCD001".
QString plainSessionKey(const QString &shown);
// The highest emergency number of the register's year in the local table.
QString maxNumberQuery(const QString &registerYear);
// The next emergency number of the register's year after the highest one
// read (null or empty when there is none): the year followed by 0000001 for
// the first. Numbers of another year are never continued.
QString nextNumber(const QString &registerYear, const QVariant &highest);

// "0000015|14/03/2007": the progressive of the emergency number and its date.
QString temporaryNumber(const QString &emergencyNumber, const QDate &protocolDate);
// The stamp printed on the document.
QString stampText(const QString &sessionKey, const QString &emergencyNumber, const QDate &protocolDate);
inline const QString kStampSettings = QStringLiteral("9600,n,8,1");

// The plain session key as the emergency login names the session:
// "2007TABCD001" gives "2007/T/ABCD/001".
QString sessionText(const QString &sessionKey);
// The one form in which every window shows an emergency number, so that it
// cannot be taken for a number of the general register ("2007-0000015"):
// the mark, the register and session as the emergency login names them, and
// the progressive, "Emergenza 2007/T/ABCD/001 N. 0000015". The session key
// is the plain one ("2007TABCD001"); a number of another year than the
// register's keeps its year ("N. 0000015/2006").
QString emergencyNumberText(const QString &sessionKey, const QString &number);

// Why a registration already carried into the general register cannot be
// changed in emergency any more.
QString recoveredRewriteRefusal(const QString &sessionKey, const QString &emergencyNumber, const QString &general);

} // namespace nimbo::emergency
