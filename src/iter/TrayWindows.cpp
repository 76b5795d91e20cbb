#include "iter/Iter.h"

namespace nimbo::iter {

void registerTrayWindows() {}

} // namespace nimbo::iter
