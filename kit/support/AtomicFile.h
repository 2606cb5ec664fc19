#pragma once

#include <QByteArray>
#include <QString>

namespace hub {

// Files the hub keeps for itself: written whole to a temporary file created 0600
// in the same folder, flushed, then renamed over the old one, and the folder
// flushed after the rename, so a reader sees the old or the new content and never
// a part, also after a crash. Failures throw std::system_error.
namespace AtomicFile {

void write(const QString& path, const QByteArray& bytes);

// Puts a copy of the file `from` at `path` the same way (a move across volumes).
void copy(const QString& from, const QString& path);

} // namespace AtomicFile

} // namespace hub
