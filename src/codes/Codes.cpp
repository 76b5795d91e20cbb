#include "codes/Codes.h"

#include "codes/FrmCodici.h"
#include "codes/FrmOggettiR.h"
#include "ui/WindowRegistry.h"

namespace nimbo::codes {

void registerCodeWindows()
{
    WindowRegistry::add(QStringLiteral("frmCodici"), [] { return new FrmCodici; });
    WindowRegistry::add(QStringLiteral("FrmOggettiR"), [] { return new FrmOggettiR; });
}

} // namespace nimbo::codes
