#include "iter/Iter.h"

namespace nimbo::iter {

void registerSendWindows() {}

} // namespace nimbo::iter
