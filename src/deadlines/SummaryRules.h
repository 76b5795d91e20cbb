#pragma once
// What an office or a member passed to another office or member: the
// protocols of the body with at least one assignment (movement type 4) or
// transmission (type 2) whose sender and receiver match the criteria, one
// row per protocol, newest number first, at most the chosen number of
// protocols. The window ("Ricerca in iter documento") and the benchmark
// build their statements only here.
//
// A movement matches when its acting office and operator match the sender
// criteria and one of its recipients (or the movement itself, when it has
// none and no receiver is asked for) matches the receiver criteria and the
// viewer's level in the same row: level 6 his own sending, or a delivery to
// the member he is linked to in his office; 7 his office sending or
// receiving; 8 his department sending or receiving; 9 the whole body; any
// other level nothing at all.

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

#include "data/Funzioni_Com_1.h"
#include "data/Scope.h"

namespace nimbo::deadlines::summary {

struct Criteria {
    bool incoming = false, outgoing = false; // neither or both: any direction
    QDate from, to;                          // protocol date, invalid: open
    QString subject, correspondent;          // contains, any case
    QString fromDepartment, fromOffice, fromOperator;
    QString toDepartment, toOffice;
    std::optional<int> toMember;             // a member of toOffice
    int limit = 50;
};

// The choices of "Risultati".
const QList<int> &limits();

// The member number the level-6 viewer is linked to in his office: read
// before the list, whose condition it becomes.
QString memberQuery(const protocol::Viewer &v);

// The list: direction, number, protocol date, subject, correspondent's
// name, privacy flag. member: the viewer's member number (level 6 only;
// none when he is linked to no member of his office).
QString listQuery(const Criteria &c, const protocol::Viewer &v, std::optional<int> member);

// The choice boxes: departments of the body, offices of a department, the
// active operators of an office (code, name and surname) and the members
// of an office that may receive documents today.
QString departmentsQuery(const QString &ente);
QString officesQuery(const QString &ente, const QString &department);
QString operatorsQuery(const QString &ente, const QString &department, const QString &office);
QString membersQuery(const QString &ente, const QString &office, const QDate &today);

// The list's columns; the stored number and the direction letter ride along.
enum Column { ColDirection, ColNumber, ColDate, ColSubject, ColCorrespondent, ColKey, ColDirectionCode };
extern const char *const kTitles;
extern const char *const kWidths;
extern const char *const kMask;
// The rows of listQuery as the list shows them, reserved texts masked
// unless the viewer holds the privacy right.
Funzioni_Com_1::Columns shownRows(const Funzioni_Com_1::LoadedRows &rows, const protocol::Viewer &v);

// What the heading of the print names: the texts of the chosen items
// (empty: not chosen).
struct HeadingParts {
    QString from{}, to{};
    QString fromDepartment{}, fromOffice{}, fromMember{};
    QString toDepartment{}, toOffice{}, toMember{};
};
// The heading: the period, then the sender and the receiver, each part
// only when chosen; lines separated by carriage returns, a line's parts
// by tabs.
QString heading(const HeadingParts &h);

// The message of the first criterion that cannot be searched; empty when fine.
QString criteriaProblem(const Criteria &c);

} // namespace nimbo::deadlines::summary
