#include "search/FrmFiltroRProt.h"
#include "search/Search.h"

#include "ui/WindowRegistry.h"

namespace nimbo::search {

void registerGeneralSearchWindows()
{
    WindowRegistry::add(QStringLiteral("FrmFiltroRProt"), [] { return new FrmFiltroRProt; });
    WindowRegistry::add(QStringLiteral("FrmStoricoRProt"), [] { return new FrmFiltroRProt(nullptr, true); });
}

} // namespace nimbo::search
