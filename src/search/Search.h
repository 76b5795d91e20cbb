#pragma once
// Finding protocols: the general search and the search that records the
// acts referring to a protocol. Windows registered by name:
//   "FrmFiltroRProt" (the general search, with saved searches);
//   "FrmRicercaProt" (protocols and their linked acts).

namespace nimbo::search {

void registerSearchWindows();

// Each group of windows registers its own.
void registerGeneralSearchWindows();
void registerActsWindows();

} // namespace nimbo::search
