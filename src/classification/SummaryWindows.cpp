#include "classification/Classification.h"
#include "classification/SummaryWindow.h"
#include "ui/WindowRegistry.h"

namespace nimbo::classification {

void registerSummaryWindows()
{
    WindowRegistry::add(QStringLiteral("FrmRiepFascicoli"), [] { return new FrmRiepFascicoli; });
}

} // namespace nimbo::classification
