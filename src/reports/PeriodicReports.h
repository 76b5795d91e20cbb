#pragma once
// The periodic reports. Windows registered by name:
//   "FrmStampe" (the nine periodic reports, printed or exported).

namespace nimbo::reports {

void registerPeriodicReportWindows();

} // namespace nimbo::reports
