#include "search/Search.h"

#include "ui/WindowRegistry.h"

namespace nimbo::search {

void registerActsWindows() {}

} // namespace nimbo::search
