#include "classification/Classification.h"

namespace nimbo::classification {

void registerSummaryWindows() {}

} // namespace nimbo::classification
