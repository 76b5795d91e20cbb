#pragma once
// Files a clerk takes away from the deadline lists: a spreadsheet of the
// listed matters and a calendar of their deadlines (or of an office's
// activities).

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace nimbo::deadlines {

// A spreadsheet: the first cell says what was exported and when, the column
// titles stand on the fourth row and one row per listed matter follows.
struct Sheet {
    QString heading;         // cell A1
    QStringList titles;      // row 4
    QVector<QVector<QVariant>> rows; // QDate cells are written as dates
};
// Writes the .xlsx file; an empty text on success, else what went wrong.
QString writeSheet(const QString &path, const Sheet &sheet);

// One calendar event: a deadline or an activity.
struct CalendarEvent {
    QString uid;             // stable across exports of the same item
    QDateTime start;         // local time; with allDay only the date counts
    bool allDay = false;
    QString summary;
    QString description;
};
// Writes an iCalendar file; an empty text on success, else what went wrong.
QString writeCalendar(const QString &path, const QVector<CalendarEvent> &events);

} // namespace nimbo::deadlines
