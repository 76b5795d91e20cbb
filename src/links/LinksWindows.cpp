#include "links/Links.h"

namespace nimbo::links {

void registerLinksWindows()
{
    registerLinkWindows();
    registerRecipientWindows();
}

} // namespace nimbo::links
