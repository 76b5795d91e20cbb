#pragma once
// The summary's export to a spreadsheet file (.xlsx): a title in A1 and A2,
// the headings in row 4, one row per listed protocol below them, dates as
// real dates. The file appears whole or not at all: it is written beside
// the target under a temporary name and renamed at the end, so a cancelled
// or failed export leaves nothing half-written (and leaves an older file of
// that name as it was).

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

#include "classification/SummaryQueries.h"

namespace nimbo::classification::summary {

struct ExportRow {
    QString direction; // "E" incoming: the holder is the sender; "U": the recipient
    QString number;    // as shown, "2026-0000001"
    QDate date;
    QString subject, holder, address;
    Progress progress;
};

// "Tipo", "N. Protocollo", ... "Uffici Destinatari".
const QStringList &exportHeadings();
// The file name proposed and the suffix every export carries.
extern const char *const kDefaultExportName;

enum class ExportOutcome { Written, Cancelled, Failed };

// Writes the workbook at `path`. `progress` (may be empty) is told how many
// rows are written so far and returns false to cancel. *error says why a
// write failed.
ExportOutcome writeWorkbook(const QString &path, const QString &title, const QString &subtitle,
                            const QVector<ExportRow> &rows, const std::function<bool(int done)> &progress,
                            QString *error);

} // namespace nimbo::classification::summary
