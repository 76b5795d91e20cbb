#pragma once
// The consultation windows of logs and history, registered by name:
// "FrmLogAccessi" (document access log), "frmStoricoOPE" (operators'
// changes), "FrmStorico" (historical archives in the old layout) and
// "FrmStoricoAB" (the flat archive of old protocols).

namespace nimbo::history {

void registerHistoryWindows();

} // namespace nimbo::history
