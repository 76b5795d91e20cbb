#include "iter/FrmArchiviati.h"
#include "iter/FrmAssegna.h"
#include "iter/FrmSpediti.h"
#include "iter/FrmTrasmetti.h"
#include "iter/Iter.h"
#include "ui/WindowRegistry.h"

namespace nimbo::iter {

void registerSendWindows()
{
    WindowRegistry::add(QStringLiteral("FrmAssegna"), [] { return new FrmAssegna; });
    WindowRegistry::add(QStringLiteral("FrmTrasmetti"), [] { return new FrmTrasmetti; });
    WindowRegistry::add(QStringLiteral("FrmSpediti"), [] { return new FrmSpediti; });
    WindowRegistry::add(QStringLiteral("FrmArchiviati"), [] { return new FrmArchiviati; });
}

} // namespace nimbo::iter
