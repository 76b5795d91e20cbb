#pragma once
// Corrections after registration and late registrations. Windows registered
// by name:
//   "FrmCancProto" (cancellation of a protocol with its reason),
//   "FrmModifProto" (change of a protocol's direction, keeping its number),
//   "FrmProtoManuale" (registration of a protocol written in a paper
//   emergency register),
//   "FrmRecuperaProto" (registration under a number and date left free in
//   the past).

namespace nimbo::corrections {

void registerCorrectionWindows();

// Each group of windows registers its own.
void registerCancellationWindows();
void registerDirectionWindows();
void registerManualWindows();
void registerLateWindows();

} // namespace nimbo::corrections
