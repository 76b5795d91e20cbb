#pragma once
// What the start page lists, within the operator's visibility and privacy:
// the documents waiting in his in-tray, the matters due within five days or
// overdue, what his office registered today and the protocols he opened
// last. Each list is short: the page shows the first rows, the windows
// behind it the whole lists.

#include <QDate>
#include <QString>
#include <QVector>

#include "data/Dialect.h"
#include "data/Scope.h"
#include "ui/RecentProtocols.h"

namespace nimbo::desk {

constexpr int kDeskRows = 15;
constexpr int kDueDays = 5;

struct DeskRow {
    QString direction, number; // the key (number 11 characters)
    QString when;              // what the list shows in its date column
    QString subject;           // masked when reserved and the viewer lacks the right
};

struct DeskLists {
    QVector<DeskRow> tray, deadlines, today, recent;
    // A list that could not be read (already reported) stays empty.
    bool failed = false;
};

// Protocols registered on that day (the server's today) by the viewer's
// office, newest first. SQLite, which cannot weigh one office against
// another, is told which way to read: along the office's own rows when it
// has few (fewOfficeRows), otherwise along the day's rows newest first.
QString todayQuery(Dialect::Engine e, const protocol::Viewer &v, const QDate &day, bool fewOfficeRows,
                   int limit = kDeskRows);
// Whether the office has at most kFewOfficeRows registrations in all (one
// count along its index, stopped there).
constexpr int kFewOfficeRows = 20000;
QString officeRowsQuery(const protocol::Viewer &v);
// The recent protocols among those the viewer may still see.
QString recentQuery(const protocol::Viewer &v, const QVector<ui::RecentProtocol> &recent);

// Reads the four lists for the viewer.
DeskLists readDesk(const protocol::Viewer &v);

} // namespace nimbo::desk
