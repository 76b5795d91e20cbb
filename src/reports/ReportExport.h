#pragma once
// A periodic report as a spreadsheet (.xlsx): the title in A1, the period
// and the filters below it, the column titles on the fourth row and one row
// per report row after them. Dates are date cells, counts numbers. The file
// appears whole or not at all.

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

#include "platform/ReportEngine.h"

namespace nimbo::reports {

struct SheetContent {
    QString title;
    QStringList heading;   // lines under the title (empty ones are skipped)
    QStringList columns;   // titles; a title beginning "N. " is a count
    QVector<ReportRow> rows;
};

// Empty on success; kReportCancelled when progress answered false (no file
// is left behind); otherwise what went wrong.
QString writeReportSheet(const QString &path, const SheetContent &content,
                         const std::function<bool(int)> &progress = {});

} // namespace nimbo::reports
