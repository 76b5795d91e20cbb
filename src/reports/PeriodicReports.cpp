#include "reports/PeriodicReports.h"

#include "reports/FrmStampe.h"
#include "ui/WindowRegistry.h"

namespace nimbo::reports {

void registerPeriodicReportWindows()
{
    WindowRegistry::add(QStringLiteral("FrmStampe"), [] { return new FrmStampe; });
}

} // namespace nimbo::reports
