#include "deadlines/Deadlines.h"

namespace nimbo::deadlines {

void registerReminderWindows() {}

QWidget *openReminders(const QString &, const QString &, const QString &)
{
    return nullptr;
}

} // namespace nimbo::deadlines
