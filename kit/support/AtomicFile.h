#pragma once

#include <QByteArray>
#include <QString>

namespace hub {

// Files the hub keeps for itself: written whole to a temporary file created 0600
// in the same folder, flushed, then renamed over the old one, so a reader sees the
// old or the new content and never a part. Failures throw std::system_error.
namespace AtomicFile {

void write(const QString& path, const QByteArray& bytes);

} // namespace AtomicFile

} // namespace hub
