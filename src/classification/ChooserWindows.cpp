#include "classification/Classification.h"

namespace nimbo::classification {

void registerChooserWindows() {}

} // namespace nimbo::classification
