#include "iter/FrmGestIter.h"
#include "iter/FrmInCarico.h"
#include "iter/Iter.h"
#include "ui/WindowRegistry.h"

namespace nimbo::iter {

void registerTrayWindows()
{
    WindowRegistry::add(QStringLiteral("FrmInCarico"), [] { return new FrmInCarico; });
    WindowRegistry::add(QStringLiteral("FrmGestIter"), [] { return new FrmGestIter; });
}

} // namespace nimbo::iter
