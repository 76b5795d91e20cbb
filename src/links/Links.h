#pragma once
// Links between protocols, the precedent of a protocol and the further
// recipients of an outgoing one. Windows registered by name:
//   "FrmCollega" (search and link another protocol), "FrmDetCollegati" (the
//   protocols linked to one), "FrmProtPreced" (the protocols of a period, to
//   choose a precedent from);
//   "FrmAltriDest" (the further recipients of an outgoing protocol).
// Windows that act on one protocol take it through the invokable
// setProtocol(direction, number).

namespace nimbo::links {

void registerLinksWindows();

// Each group of windows registers its own.
void registerLinkWindows();
void registerRecipientWindows();

} // namespace nimbo::links
