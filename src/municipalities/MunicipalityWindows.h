#pragma once
// The windows of the municipality table.

namespace nimbo::municipalities {

// Registers "FrmComuni", which the menu item "Comuni d'Italia" opens.
void registerMunicipalityWindows();

} // namespace nimbo::municipalities
