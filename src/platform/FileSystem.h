#pragma once
// What kind of file system a path lies on. SQLite's locking is not safe on
// network file systems, so a register file there must be flagged.

#include <QString>

namespace nimbo::fs {

// The network file system a magic number of statfs() stands for ("nfs",
// "cifs", ...), empty for a local one.
QString networkKind(unsigned long magic);

// The network file system holding path (or, when it does not exist yet, its
// nearest existing folder); empty when it is local or cannot be told.
QString networkFileSystem(const QString &path);

} // namespace nimbo::fs
