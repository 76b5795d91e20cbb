#include "corrections/Corrections.h"

namespace nimbo::corrections {

void registerManualWindows() {}

} // namespace nimbo::corrections
