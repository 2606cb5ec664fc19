#pragma once

#include "kit/support/FileDescriptor.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace hub {

// File operations on the hub's own files and folders that never go through a symbolic
// link. `folder` is an open folder descriptor; with AT_FDCWD, `name` is a path and only
// its last component is guarded.
namespace NoFollow {

// The names in the open folder, "." and ".." aside; empty when it cannot be read.
QList<QByteArray> entries(int folder);

// An exclusive flock, taken without waiting, on the regular file `name` in `folder`,
// made 0600 when missing. The file is opened without following a link and without
// blocking; a link, FIFO, socket or device at the name is removed first (an empty
// folder too), never written through. A file that another holder unlinked while this
// one waited is not taken. Returns the descriptor (close-on-exec), or none with errno
// set: EWOULDBLOCK only when another holder has the lock; EBUSY when the name did not
// settle on a file of its own.
FileDescriptor lockFile(int folder, const QByteArray& name);

// Unlinks `name` in `folder` only while it still names the file open as `descriptor`.
void unlinkIfSame(int folder, const QByteArray& name, int descriptor);

// Renames `from` in `fromFolder` to `to` in `toFolder` unless something, even a dangling
// link, is at `to`; nothing is replaced. A file system without no-replace renames (NFS,
// most FUSE ones) gets a look first. False with errno set (EEXIST: `to` is taken).
bool renameUnlessTaken(int fromFolder, const QByteArray& from, int toFolder, const QByteArray& to);

// The real folder `name` in `folder`, opened as a folder descriptor; none with errno
// (ELOOP or ENOTDIR) when a link or anything else lies there.
FileDescriptor openFolder(int folder, const QByteArray& name);

// The real folder `name` in `folder`, made 0700 when missing; a link or anything else
// that is not a folder there is removed first. Returns it open; throws std::system_error.
FileDescriptor makeFolder(int folder, const QByteArray& name);

// Removes `name` in `folder` and, when it is a real folder, everything below it. Links
// are removed, never followed, and no other file system (a mounted image) is entered.
// Folders that deny writing are opened up first. At most three descriptors are open at a
// time, and nothing below removeTreeDepth levels is entered. False when something remains.
bool removeTree(int folder, const QByteArray& name);
constexpr int removeTreeDepth = 2048; // deeper than any path the system takes can reach
// The same, only while `name` is still what is open as `descriptor`: nothing that took its
// name meanwhile is touched. False when something remains or another is there.
bool removeTreeIfSame(int folder, const QByteArray& name, int descriptor);

// The folder at `path` opened, after checking that it is a real folder (not a link)
// owned by this user; throws std::system_error saying what it is instead.
FileDescriptor openOwnedFolder(const QString& path);

} // namespace NoFollow

} // namespace hub
