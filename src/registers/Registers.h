#pragma once
// The registers of protocols. Windows registered by name:
//   "frmStampaRegistro" (the general register, printed and archived);
//   "frmRegistroGiornaliero" (the daily register of one day).

namespace nimbo::registers {

void registerRegisterWindows();

} // namespace nimbo::registers
