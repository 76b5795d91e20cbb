#include "deadlines/Deadlines.h"

#include "deadlines/OverviewWindow.h"
#include "ui/WindowRegistry.h"

namespace nimbo::deadlines {

void registerOverviewWindows()
{
    WindowRegistry::add(QStringLiteral("FrmScadPratiche"), [] { return new FrmScadPratiche; });
}

} // namespace nimbo::deadlines
