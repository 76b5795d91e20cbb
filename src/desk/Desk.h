#pragma once
// The operator's desk in the main window: the find box of the toolbar
// ("Vai al protocollo"), the start page behind the child windows and the
// read-only protocol window they open. Registered by name:
//   "FrmVaiProtocollo"   one protocol, read-only
//   "VaiAlProtocollo"    the find box the main window puts in its toolbar
//   "PaginaIniziale"     the start page the main window puts behind its children
// The find box and the start page are made only in an ordinary session.

namespace nimbo::desk {

void registerDeskWindows();

} // namespace nimbo::desk
