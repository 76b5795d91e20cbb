#pragma once
// What the history windows share: a refused criterion told and focused,
// and a list printed as a grid.

#include <QList>
#include <QStringList>
#include <optional>

#include "data/Funzioni_Com_1.h"
#include "history/HistoryRules.h"

class QLabel;
class QWidget;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::history {

// Tells the operator the problem under the caption and puts the focus on its
// control; true when there was one.
bool refused(QWidget *window, const QString &caption, const std::optional<Problem> &problem);

// Shows the first `limit` of the rows read (one past the limit only tells
// that there are more), their count in `count` and, when rows were left
// out, the line that says so in `cut`; tells when nothing was found.
// The number of rows shown.
int showFirst(ui::RowList *list, const Funzioni_Com_1::Columns &rows, int limit, QLabel *count, QLabel *cut);

// Prints the chosen columns of the list (in the order it shows) with the
// titles and widths given, under the heading; the target is asked as every
// report asks it, suggestedFile for a PDF. False when nothing was printed
// (a failure is told).
bool printList(const QString &caption, const QString &suggestedFile, const QString &heading, const ui::RowList *list,
               const QList<int> &columns, const QStringList &titles, const QList<int> &widths);

} // namespace nimbo::history
