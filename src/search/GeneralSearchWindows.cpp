#include "search/Search.h"

#include "ui/WindowRegistry.h"

namespace nimbo::search {

void registerGeneralSearchWindows() {}

} // namespace nimbo::search
