#pragma once
// The classification scheme, its dossiers, the classification of protocols,
// the summary of classified protocols and the closing of handled cases.
// Windows registered by name:
//   "FrmTitoli", "FrmCategorie", "frmClassi", "frmFascicoli" (the scheme
//   and the dossiers of a class);
//   "FrmInsClass", "frmFascicoliLighT", "FrmClassifica" (choosing dossiers
//   and classifying a protocol);
//   "FrmRiepFascicoli", "frmArchPratica", "frmArchivia" (the summary and the
//   closing of handled cases).
// Windows that act on one protocol take it through the invokable
// setProtocol(direction, number).

namespace nimbo::classification {

void registerClassificationWindows();

// Each group of windows registers its own.
void registerSchemeWindows();
void registerChooserWindows();
void registerSummaryWindows();

} // namespace nimbo::classification
