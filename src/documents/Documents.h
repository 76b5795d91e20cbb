#pragma once
// The windows of scanned documents and attachments, registered by name:
// "FrmSCAN", "FrmVisDocu1", "frmProtAllegati", "frmProtVisAllegati",
// "frmDettaglioProtocollo" and "ScannerSource" (the menu's scanner list).
// Other windows open them by name and tell them the protocol through the
// invokable setProtocol(direction, number) (the attachment manager also
// takes the caller: setCaller(name)).

#include <QByteArray>
#include <QString>

#include "documents/ImageStore.h"

class QWidget;

namespace nimbo::documents {

void registerDocumentWindows();

// Removes the files a window left in the work folder.
void removeWorkFiles(const QStringList &files);

// Writes data into a work file whole, or leaves no file: a write that fails
// half-way removes what it wrote. With fresh the file must not exist yet
// (never overwrite another file); otherwise it replaces the window's own.
// Empty on success, else the text for the operator. Any thread may call it.
QString writeWorkFile(const QString &path, const QByteArray &data, bool fresh);
// What a read gave, kept in a work file: the read's own outcome when it
// failed or the file is written whole, else the write's failure.
Outcome keepInWorkFile(const Outcome &read, const QByteArray &data, const QString &path, bool fresh);
// Reads the protocol's image into the window's own work file on a worker
// (see Background.h): a large scan takes seconds to read, unzip and copy,
// and the window repaints meanwhile.
Outcome readImageAside(QWidget *window, const Protocol &p, const QString &path);

} // namespace nimbo::documents
