#include "search/Search.h"

#include "search/FrmRicercaProt.h"
#include "ui/WindowRegistry.h"

namespace nimbo::search {

void registerActsWindows()
{
    WindowRegistry::add(QStringLiteral("FrmRicercaProt"), [] { return new FrmRicercaProt; });
}

} // namespace nimbo::search
