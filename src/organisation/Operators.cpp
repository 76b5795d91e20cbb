#include "organisation/FrmCambiaDip.h"
#include "organisation/FrmOpDip.h"
#include "organisation/FrmOperatoriNew.h"
#include "organisation/FrmPostazioni.h"
#include "organisation/Organisation.h"
#include "ui/WindowRegistry.h"

namespace nimbo::organisation {

void registerOperatorWindows()
{
    WindowRegistry::add(QStringLiteral("FrmOperatoriNew"), [] { return new FrmOperatoriNew; });
    WindowRegistry::add(QStringLiteral("FrmOpDip"), [] { return new FrmOpDip; });
    WindowRegistry::add(QStringLiteral("frmPostazioni"), [] { return new FrmPostazioni; });
    WindowRegistry::add(QStringLiteral("FrmCambiaDip"), [] { return new FrmCambiaDip; });
}

} // namespace nimbo::organisation
