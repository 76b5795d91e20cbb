#include "classification/ChooserInsClass.h"
#include "classification/ChooserLightDossier.h"
#include "classification/Classification.h"
#include "classification/ClassifyProtocol.h"
#include "ui/WindowRegistry.h"

namespace nimbo::classification {

void registerChooserWindows()
{
    WindowRegistry::add(QStringLiteral("FrmInsClass"), [] { return new FrmInsClass; });
    WindowRegistry::add(QStringLiteral("frmFascicoliLighT"), [] { return new FrmFascicoliLight; });
    WindowRegistry::add(QStringLiteral("FrmClassifica"), [] { return new FrmClassifica; });
}

} // namespace nimbo::classification
