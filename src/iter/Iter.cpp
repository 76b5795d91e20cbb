#include "iter/Iter.h"

namespace nimbo::iter {

void registerIterWindows()
{
    registerTrayWindows();
    registerSendWindows();
}

} // namespace nimbo::iter
