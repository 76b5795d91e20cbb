#pragma once
// The rows of the printed registers, asked of the protocol server (OLEGP)
// with the wait text and the pending-request title shown while it runs.
// Both registers print the same row (servers/AnnualRegister.h,
// registerrows::Column) into Tab_Report, one field per column from
// Rep_Campo01.

#include <QDate>
#include <QString>
#include <QVector>

#include "platform/ReportEngine.h"

namespace nimbo::reports {

struct RegisterOutcome {
    enum Kind { Ok, NoRows, Refused, ServerError, NoServer } kind = ServerError;
    QVector<ReportRow> rows;
    QString message; // refused: the server's text; otherwise what went wrong
    bool ok() const { return kind == Ok; }
};

inline const QString kRegisterWait = QStringLiteral("Attendere.Scrittura su remoto in corso");
inline const QString kRegisterRequestTitle = QStringLiteral("OLE - Stampa registro generale Protocolli");

// The annual (or monthly) register: every protocol of the body dated from
// `from` to `to` (operation 502).
RegisterOutcome annualRegister(const QString &ente, const QDate &from, const QDate &to);

// The chronological register of a period. The same rows as the annual
// register, for any period.
RegisterOutcome chronologicalRegister(const QString &ente, const QDate &from, const QDate &to);

// The server's rows (column first) as report rows.
QVector<ReportRow> registerReportRows(const QVariant &columns);

} // namespace nimbo::reports
