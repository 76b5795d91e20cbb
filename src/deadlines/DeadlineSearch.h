#pragma once
// The matters assigned for competence and not yet completed, with their
// deadline in force: the one statement behind the deadline overview, the
// printed deadlines and the exports. Times are the database server's: "now"
// and "today" are read from its clock, never from the workstation's.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVector>
#include <optional>

#include "data/Funzioni_Com_1.h"
#include "data/Scope.h"

namespace nimbo::deadlines {

struct DeadlineCriteria {
    enum class Kind { None, DueWithin, Overdue, Between } kind = Kind::None;
    int days = 0;               // DueWithin: after now and at most this many days ahead
    QDate from, to;             // Between: both days whole and included
    QString correspondent;      // the correspondent's name contains it (any case)
    QString subject;            // the subject contains it (any case)
    QString department, office; // codes of the competent office; empty = all
    int limit = 0;              // rows at most (0: no limit); one more is read to tell a cut list
};
// The message of the first criterion that cannot be searched.
std::optional<QString> checkCriteria(const DeadlineCriteria &c);

// The statement for the viewer's scope (6 the assigning operator, 7 the
// competent office, 8 its department, 9 the whole body), ordered by
// deadline. Its columns are read by deadlineRows only.
QString deadlineListQuery(const DeadlineCriteria &c, const protocol::Viewer &v);

struct DeadlineRow {
    QDateTime deadline;
    QString direction;          // "E" or "U"
    QString number;             // 11 characters as stored
    QDate protocolDate;
    QString subject;            // masked when reserved and the viewer lacks the right
    bool reserved = false;      // reserved and this viewer lacks the right: its subject is masked
    QString correspondentId, correspondent, address;
    QString department, office, officeName; // the competent office
    QString serial;             // the assignment movement's timestamp
    QDate assigned;
    int delayDays = 0;          // days from the deadline to the server's today
    QDate lastReminder;
    QString reminderPerson, reminderAnswer;
};
// The address column: street + ", " + number + " - " + postcode + "   " +
// town; empty when the correspondent has none of them.
QString addressOf(const QString &street, const QString &number, const QString &postcode, const QString &town);

QVector<DeadlineRow> deadlineRows(const Funzioni_Com_1::LoadedRows &r, const protocol::Viewer &v);

} // namespace nimbo::deadlines
