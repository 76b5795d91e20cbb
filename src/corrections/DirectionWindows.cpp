#include "corrections/Corrections.h"

namespace nimbo::corrections {

void registerDirectionWindows() {}

} // namespace nimbo::corrections
