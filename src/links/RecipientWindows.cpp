#include "links/FrmAltriDest.h"
#include "links/Links.h"
#include "ui/WindowRegistry.h"

namespace nimbo::links {

void registerRecipientWindows()
{
    WindowRegistry::add(QStringLiteral("FrmAltriDest"), [] { return new FrmAltriDest; });
}

} // namespace nimbo::links
