#pragma once
// What the start page lists, within the operator's visibility and privacy:
// the documents waiting in his in-tray, the matters due within five days or
// overdue, what his office registered today and the protocols he opened
// last. Each list is short: the page shows the first rows, the windows
// behind it the whole lists.

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

// Protocols registered today (the server's date) by the viewer's office.
QString todayQuery(Dialect::Engine e, const protocol::Viewer &v, int limit = kDeskRows);
// The recent protocols among those the viewer may still see.
QString recentQuery(const protocol::Viewer &v, const QVector<ui::RecentProtocol> &recent);

// Reads the four lists for the viewer.
DeskLists readDesk(const protocol::Viewer &v);

} // namespace nimbo::desk
