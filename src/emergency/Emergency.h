#pragma once
// The emergency register: its registers and sessions, the registration
// while the central register cannot be reached, the recovery of those
// registrations into the general register and their search.

namespace nimbo::emergency {

// Registers "frmAnaRegistriEme", "frmSessioniEme", "frmProtocolloEme",
// "FrmRecuperaEmeT" and "frmRicercaEmergenza".
void registerEmergencyWindows();

// Scanning and viewing from the emergency windows need the emergency
// register's own image store (the local copy of each emergency image and its
// copy at recovery); until it is there their image buttons stay off.
constexpr bool kEmergencyImages = false;

} // namespace nimbo::emergency
