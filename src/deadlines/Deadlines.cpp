#include "deadlines/Deadlines.h"

namespace nimbo::deadlines {

void registerDeadlineWindows()
{
    registerOverviewWindows();
    registerPostponeWindows();
    registerReminderWindows();
    registerSummaryWindows();
}

} // namespace nimbo::deadlines
