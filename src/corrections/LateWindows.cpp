#include "corrections/Corrections.h"

namespace nimbo::corrections {

void registerLateWindows() {}

} // namespace nimbo::corrections
