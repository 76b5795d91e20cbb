#pragma once
// The windows of scanned documents and attachments, registered by name:
// "FrmSCAN", "FrmVisDocu1", "frmProtAllegati", "frmProtVisAllegati",
// "frmDettaglioProtocollo" and "ScannerSource" (the menu's scanner list).
// Other windows open them by name and tell them the protocol through the
// invokable setProtocol(direction, number) (the attachment manager also
// takes the caller: setCaller(name)).

#include <QString>

namespace nimbo::documents {

void registerDocumentWindows();

// Removes the files a window left in the work folder.
void removeWorkFiles(const QStringList &files);

} // namespace nimbo::documents
