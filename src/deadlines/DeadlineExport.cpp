#include "deadlines/DeadlineExport.h"

namespace nimbo::deadlines {

QString writeSheet(const QString &, const Sheet &)
{
    return QStringLiteral("not yet written");
}

QString writeCalendar(const QString &, const QVector<CalendarEvent> &)
{
    return QStringLiteral("not yet written");
}

} // namespace nimbo::deadlines
