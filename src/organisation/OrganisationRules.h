#pragma once
// What the entity, department and office editors check before a write, in
// the order the operator meets the messages; the columns they write and in
// which order; and the "is it used?" queries run before a department or an
// office is deleted. Plain functions, so that the rules can be tried
// without a window.

#include <QStringList>
#include <functional>

#include "data/Funzioni_Com_1.h"
#include "ui/RecordEditor.h"

namespace nimbo::organisation {

// Captions that change when the body calls its offices "operational units".
bool officesAreUnits();

// ---- lookups the checks use ----

// The name of a municipality or region code; empty when it does not exist.
QString municipalityName(const QString &code);
QString regionName(const QString &code);

// ---- entities ----

// How the entity editor finds out whether a new code is taken: the list
// variant looks in its own list, the detail variant asks the database.
using CodeTaken = std::function<bool(const QString &code)>;
bool entityCodeInArchive(const QString &code);

// Where the enciphered mailbox password is handed from the checks to the
// write (the typed one never reaches the database).
inline const QString kEnciphered = QStringLiteral("Ente_PWD_Posta#enciphered");

// listVariant: the duplicate code is tested before the empty code (frmEnti)
// instead of after it (frmGEnti).
ui::CheckList entityChecks(bool isNew, bool listVariant, const CodeTaken &taken);
// The columns in the order they are written.
const QStringList &entityColumns();

// ---- departments ----
bool departmentCodeTaken(const QString &ente, const QString &code);
ui::CheckList departmentChecks(bool isNew);
const QStringList &departmentColumns();

// ---- offices ----
// Office codes are unique within the entity, across its departments.
bool officeCodeTaken(const QString &ente, const QString &code);
ui::CheckList officeChecks(bool isNew);
const QStringList &officeColumns();

// Puts the written columns in the given order (columns not named keep
// their place after the named ones).
void orderColumns(Funzioni_Com_1::FieldList &fields, const QStringList &order);

// ---- deletion ----
// A department is looked for by its code alone, whatever entity the row
// belongs to; an office by entity and code. The first query that finds a
// row stops the deletion with its message.
QVector<ui::UsageCheck> departmentUsageChecks(const QString &ente, const QString &department);
QVector<ui::UsageCheck> officeUsageChecks(const QString &ente, const QString &office);

inline const QString kDepartmentUsed = QStringLiteral(
    "Non è possibile cancellare il dipartimento corrente. Esso è già stato utilizzato in altre operazioni di "
    "registrazione.");
inline const QString kOfficeUsed = QStringLiteral(
    "Non è possibile cancellare l'ufficio corrente. Esso è già stato utilizzato in altre operazioni di "
    "registrazione.");

} // namespace nimbo::organisation
