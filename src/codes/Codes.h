#pragma once
// The code tables' windows: the generic code-table window and the
// recurring subjects.

namespace nimbo::codes {

// Registers "frmCodici" and "FrmOggettiR" with the window registry.
void registerCodeWindows();

} // namespace nimbo::codes
