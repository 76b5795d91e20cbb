#include "municipalities/MunicipalityWindows.h"

#include "municipalities/FrmComuni.h"
#include "ui/WindowRegistry.h"

namespace nimbo::municipalities {

void registerMunicipalityWindows()
{
    WindowRegistry::add(QStringLiteral("FrmComuni"), [] { return new FrmComuni; });
}

} // namespace nimbo::municipalities
