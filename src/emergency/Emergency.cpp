#include "emergency/Emergency.h"

#include "emergency/FrmAnaRegistriEme.h"
#include "emergency/FrmProtocolloEme.h"
#include "emergency/FrmRecuperaEmeT.h"
#include "emergency/FrmRicercaEmergenza.h"
#include "emergency/FrmSessioniEme.h"
#include "ui/WindowRegistry.h"

namespace nimbo::emergency {

void registerEmergencyWindows()
{
    WindowRegistry::add(QStringLiteral("frmAnaRegistriEme"), [] { return new FrmAnaRegistriEme; });
    WindowRegistry::add(QStringLiteral("frmSessioniEme"), [] { return new FrmSessioniEme; });
    WindowRegistry::add(QStringLiteral("frmProtocolloEme"), [] { return new FrmProtocolloEme; });
    WindowRegistry::add(QStringLiteral("FrmRecuperaEmeT"), [] { return new FrmRecuperaEmeT; });
    WindowRegistry::add(QStringLiteral("frmRicercaEmergenza"), [] { return new FrmRicercaEmergenza; });
}

} // namespace nimbo::emergency
