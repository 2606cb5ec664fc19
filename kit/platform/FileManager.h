#pragma once

#include <QString>
#include <optional>

namespace hub {

// The file operations the installer needs from the desktop: moves that never replace
// anything, removal of whole trees, and the freedesktop Trash.
namespace FileManager {

// Renames `from` to `to` on one volume. Fails (std::system_error, EEXIST) when
// something, even a dangling link, is already at `to`; nothing is replaced.
void moveItem(const QString& from, const QString& to);

// Removes the item, and everything below it when it is a folder, without following
// links; folders that deny writing are opened up first. False when something remains.
bool removeItem(const QString& path) noexcept;

// Lets the owner write every real folder and file below and at the path, keeping
// their other modes; links are neither changed nor followed.
void makeOwnerWritable(const QString& path) noexcept;

// Moves the item to the user's Trash ($XDG_DATA_HOME/Trash) and returns where it went
// there (nothing when the platform does not say). Throws std::system_error.
std::optional<QString> trashItem(const QString& path);

// Moves an item back out of the Trash to `to` (as moveItem) and, when it sat in a
// freedesktop Trash, drops its .trashinfo entry so the Trash lists no ghost.
void restoreFromTrash(const QString& pathInTrash, const QString& to);

} // namespace FileManager

} // namespace hub
