#include "links/Links.h"

#include "ui/WindowRegistry.h"

namespace nimbo::links {

void registerLinkWindows() {}

} // namespace nimbo::links
