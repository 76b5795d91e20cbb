#include "search/FrmFiltroRProt.h"
#include "search/Search.h"

#include "ui/WindowRegistry.h"

namespace nimbo::search {

void registerGeneralSearchWindows()
{
    WindowRegistry::add(QStringLiteral("FrmFiltroRProt"), [] { return new FrmFiltroRProt; });
}

} // namespace nimbo::search
