#include "registers/FrmRegistroGiornaliero.h"
#include "registers/FrmStampaRegistro.h"
#include "registers/Registers.h"
#include "ui/WindowRegistry.h"

namespace nimbo::registers {

void registerRegisterWindows()
{
    WindowRegistry::add(QStringLiteral("frmStampaRegistro"), [] { return new FrmStampaRegistro; });
    WindowRegistry::add(QStringLiteral("frmRegistroGiornaliero"), [] { return new FrmRegistroGiornaliero; });
}

} // namespace nimbo::registers
