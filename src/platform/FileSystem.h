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

// ---- files for the owner only -----------------------------------------------------
//
// The register (password hashes), the local database (emergency register,
// local images), the logs and the folders that hold opened documents are
// for the operator's own account: files 0600, folders 0700. The program
// makes every file and folder that way from the start (ownerOnlyFromNowOn),
// and the places that create them ask for it as well, so that a caller
// that changed the mask still gets them right.

// Every file and folder the process creates from now on is for its owner
// only (the process's file-creation mask).
void ownerOnlyFromNowOn();

// Makes a folder (one level) for the owner only; true when it exists.
// *created tells whether it was made now.
bool makeOwnerFolder(const QString &path, bool *created = nullptr);
// Makes a folder and any missing folder above it, each for the owner only.
bool makeOwnerPath(const QString &path);
// Makes an empty file for the owner only when it does not exist; true when
// it exists.
bool makeOwnerFile(const QString &path);

// What the mode of an existing file or folder lets others than its owner
// do: empty when nothing (or when it does not exist), else the path with
// its mode ("/x/y.db (0644)").
QString widerThanOwner(const QString &path);

} // namespace nimbo::fs
