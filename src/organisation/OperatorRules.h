#pragma once
// The rules of the operator window apart from its widgets: the queries,
// the checks (all reported together), the password and mailbox-password
// handling and the rule that keeps every body with an active level-9
// operator.

#include <QString>
#include <QStringList>

#include "ui/RecordEditor.h"

namespace nimbo::organisation::operators {

// Column names of the fields that are checked but not stored as typed.
inline const QString kPassword = QStringLiteral("PWD");
inline const QString kConfirmation = QStringLiteral("PWD2");
inline const QString kMailPassword = QStringLiteral("PWDEMAIL");

// The labels the messages name, by field index of the detail.
QString label(int field);

// Every operator: code, surname and name, password date, office,
// department, entity.
QString listQuery();
// One operator, in the order of loadColumns().
QString loadQuery(const QString &code);
const QStringList &loadColumns();

// The checks in their order. isNew: a new operator (the code must be free
// and a password typed); otherwise an empty password keeps the stored one.
ui::CheckList checks(bool isNew);

// "-PR01-ST02-" from the codes, and back.
QString functionsText(const QStringList &codes);
QStringList functionCodes(const QString &text);

// "CONFERMI LA ATTIVAZIONE DEL CODICE OPERATORE CORRENTE ?" and the other.
QString activationQuestion(bool activate);

// Empty when the operator may be saved with this level and state;
// otherwise why not: the body would be left without an active level-9
// operator to administer it.
// newEnte: the body the operator is moved to (empty or ente: he stays).
QString lockOutCheck(const QString &code, const QString &ente, const QString &level, bool active,
                     const QString &newEnte = {});

// The length rule of the login's password change, on the text stored.
QString passwordLengthCheck(const QString &password);

} // namespace nimbo::organisation::operators
