#pragma once

#include "kit/support/ReadOnlyFile.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace hub {

// A small file the hub keeps for itself. Opened without blocking, so that a FIFO or a device
// in its place is refused rather than waited on; only a regular file of at most `maxBytes`
// is read, into a copy of its own: nothing done to the file meanwhile (another process
// cutting it short included) can fault its reader.
class SmallFile {
public:
    using Links = ReadOnlyFile::Links;

    // Read whole into memory of its own. A file seen to change while it is read (cut short,
    // or reading otherwise the second time) is unreadable.
    // Throws only std::bad_alloc, when there is no memory for the copy.
    static SmallFile read(const QString& path, qint64 maxBytes, Links links = Links::follow);

    bool missing() const { return !bytes && problem.isEmpty(); }

    std::optional<QByteArray> bytes; // the content; none when missing or unreadable
    QString problem;                 // why the file cannot be read; empty when read or missing
};

} // namespace hub
