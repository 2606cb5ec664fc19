#pragma once

#include <QString>

namespace hub {

// The file operations the installer needs from the desktop: moves that never replace
// anything, removal of whole trees, and the freedesktop Trash.
namespace FileManager {

// Renames `from` to `to` on one volume. Fails (std::system_error, EEXIST) when
// something, even a dangling link, is already at `to`; nothing is replaced.
void moveItem(const QString& from, const QString& to);

// Removes the item, and everything below it when it is a folder, without following
// links or entering another mounted disk (NoFollow::removeTree); folders that deny
// writing are opened up first. False when something remains.
bool removeItem(const QString& path) noexcept;

// Lets the owner write every real folder and file below and at the path, keeping
// their other modes; links are neither changed nor followed.
void makeOwnerWritable(const QString& path) noexcept;

// Moves the item (a link itself, not what it points at) to the freedesktop Trash of the
// volume its real folder is on and returns where it went: the home Trash
// ($XDG_DATA_HOME/Trash, which must lead to a folder of the user) when that folder is on
// its volume, else the top-directory Trash of that folder's volume ($top/.Trash/$uid, or
// else $top/.Trash-$uid). A folder gets its line in the Trash's directorysizes. Nothing
// outside the Trash is ever written: when no Trash can take the item, it stays and TrashError
// says why. A path that names no item of its own ("", ".", "sub/..") is refused, never taken
// for the folder it leads to.
QString trashItem(const QString& path);

// Moves an item back out of the Trash to `to` (as moveItem) and, when it sat in a
// freedesktop Trash, drops its .trashinfo entry so the Trash lists no ghost.
void restoreFromTrash(const QString& pathInTrash, const QString& to);

} // namespace FileManager

} // namespace hub
