#include "classification/Classification.h"

namespace nimbo::classification {

void registerClassificationWindows()
{
    registerSchemeWindows();
    registerChooserWindows();
    registerSummaryWindows();
}

} // namespace nimbo::classification
