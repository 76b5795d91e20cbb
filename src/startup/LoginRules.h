#pragma once
// The rules of the login and of the password change, apart from their
// windows: statements, profile loading, password age, the emergency entry's
// checks and session values, the new password's checks.

#include <QDate>
#include <QString>
#include <QVariantList>

namespace LoginRules {

// The code looked up for what was typed: its first 8 characters, trimmed.
QString operatorCode(const QString &typed);

// Reads the operator by code, or by fiscal code for a smart-card login.
QString operatorQuery(const QString &code);
QString operatorByFiscalCodeQuery(const QString &fiscalCode);
QString extraPairsQuery(const QString &code, const QString &entity);
QString entityQuery(const QString &entity);

// Column positions of the operator statement.
enum OperatorColumn {
    ColCode, ColName, ColSurname, ColFlPassword, ColPassword, ColEnte, ColDepartment, ColOffice, ColDate,
    ColLevel, ColDirection, ColFunctions, ColEmail, ColMailUser, ColMailPassword, ColPrivacy, ColActive, ColSup
};

// Puts the operator's row into the session (operator profile and structure
// code, ordinary session). The mail password is deciphered; when it cannot
// be, it stays empty and the reason is logged.
void storeOperator(const QVariantList &row);
// Reads the additional department and office pairs and the entity's name and
// mail settings into the session; the entity's name replaces AUSL.
void loadOperatorExtras();

// Days from the last change to today; a password never changed (no date)
// counts as older than any limit.
int passwordAgeDays(const QDate &changed, const QDate &today);
bool passwordExpired(const QDate &changed, const QDate &today, int limitDays);

// The texts of the expiry.
QString expiryQuestion(int limitDays);
QString expiryWarning(int limitDays);

// Emergency entry: the first failing check's text, empty when all pass.
QString emergencyCheck(const QString &year, const QString &registerCode, const QString &sessionNumber);
// year + "/T/" + register + "/" + session number as "000".
QString emergencySessionId(const QString &year, const QString &registerCode, const QString &sessionNumber);
// The session of the emergency entry.
void startEmergencySession(const QString &sessionId);
// What the register code accepts: it is the code of a workstation, letters
// and digits ("PST1"), typed in upper case, at most 4.
inline const QString kRegisterCharacters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
constexpr int kRegisterLength = 4;

// New password, checks 2-5 in order: the failing check's text, empty when
// the new password may be written. currentStored is the stored value of the
// password in use.
QString newPasswordCheck(const QString &newPassword, const QString &confirmation, const QString &currentStored);

} // namespace LoginRules
