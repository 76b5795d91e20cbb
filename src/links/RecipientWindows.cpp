#include "links/Links.h"

#include "ui/WindowRegistry.h"

namespace nimbo::links {

void registerRecipientWindows() {}

} // namespace nimbo::links
