#include "classification/Classification.h"

namespace nimbo::classification {

void registerSchemeWindows() {}

} // namespace nimbo::classification
