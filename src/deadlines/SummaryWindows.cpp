#include "deadlines/Deadlines.h"
#include "deadlines/SummaryWindow.h"
#include "ui/WindowRegistry.h"

namespace nimbo::deadlines {

void registerSummaryWindows()
{
    WindowRegistry::add(QStringLiteral("FrmRiepiloghiIter"), [] { return new FrmRiepiloghiIter; });
}

} // namespace nimbo::deadlines
