#pragma once
// The emergency register: its registers and sessions, the registration
// while the central register cannot be reached, the recovery of those
// registrations into the general register and their search.

namespace nimbo::emergency {

// Registers "frmAnaRegistriEme", "frmSessioniEme", "frmProtocolloEme",
// "FrmRecuperaEmeT" and "frmRicercaEmergenza".
void registerEmergencyWindows();

} // namespace nimbo::emergency
