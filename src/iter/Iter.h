#pragma once
// The iter of a document: the in-tray and the management window (lists of
// what an office holds, receives and must complete), and the windows that
// move a document between offices (assignment, transmission, what was sent
// and what was completed).

namespace nimbo::iter {

// Registers every iter window with the window registry.
void registerIterWindows();

// The in-tray and the management window ("FrmInCarico", "FrmGestIter").
void registerTrayWindows();
// Assignment, transmission, sent and completed documents ("FrmAssegna",
// "FrmTrasmetti", "FrmSpediti", "FrmArchiviati").
void registerSendWindows();

} // namespace nimbo::iter
