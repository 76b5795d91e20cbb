#include "search/Search.h"

namespace nimbo::search {

void registerSearchWindows()
{
    registerGeneralSearchWindows();
    registerActsWindows();
}

} // namespace nimbo::search
