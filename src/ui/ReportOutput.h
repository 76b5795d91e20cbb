#pragma once
// Where a window sends a report: the report printer of the configuration
// (STAMPANTE-REPORT; empty is the default printer), or, when that key says
// "PDF", a PDF file whose name the operator gives. Every report window asks
// here, so they all behave alike.

#include <QString>
#include <optional>

#include "platform/ReportEngine.h"

namespace nimbo::ReportOutput {

// Null when the operator gave no file name (nothing is to be printed).
std::optional<ReportTarget> choose(const QString &title, const QString &suggestedFile);

} // namespace nimbo::ReportOutput
