#include "corrections/Corrections.h"

namespace nimbo::corrections {

void registerCancellationWindows() {}

} // namespace nimbo::corrections
