#pragma once
// The archive of the printed general register: the four files (protocols,
// the body's address book, recipients and dossier links of those protocols)
// with a SHA-256 manifest beside them, then the protocols written marked
// archived through the protocol server (operation 9).
//
// Only the protocols that were printed are written, and exactly those are
// marked, by their numbers, in one transaction: a protocol registered while
// the archive is made is neither in the files nor marked. A read or write
// failure stops the archive: the folder is removed and nothing is marked.

#include <QDate>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

namespace nimbo::registers {

struct ArchiveJob {
    QString programFolder;
    QString ente;
    QString operatorCode;
    QDate end;
    QString lastArchived;   // the list begins after it (empty: from the first)
    QSet<QString> printed;  // the numbers printed in the register
};

struct ArchiveResult {
    enum Kind { Ok, ReadFailed, WriteFailed, MarkFailed } kind = ReadFailed;
    QString message;        // the failure, as it is to be shown
    QString folder;
    QStringList files;      // the four files and the manifest, full paths
    QStringList written;    // the protocol numbers written and marked
    bool ok() const { return kind == Ok; }
};

// The tables of the archive, in the order they are written.
const QStringList &archiveTables();

// Writes the files and marks the protocols; `log` hears "Inizio scarico ..."
// and "Fine scarico ..." for each table.
ArchiveResult archiveRegister(const ArchiveJob &job, const std::function<void(const QString &)> &log);

} // namespace nimbo::registers
