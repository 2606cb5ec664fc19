#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace hub {

// A small file the hub keeps for itself. Opened without blocking, so that a FIFO or a device
// in its place is refused rather than waited on; only a regular file of at most `maxBytes`
// is read. Nothing done to the file meanwhile (another process cutting it short included)
// can fault its reader.
class SmallFile {
public:
    enum class Links { follow, refuse };

    // Read whole into memory of its own. Throws only std::bad_alloc, when there is no
    // memory for the copy.
    static SmallFile read(const QString& path, qint64 maxBytes, Links links = Links::follow);

    // Hands the file's bytes to `use` without copying them: mapped, with a page that goes
    // away meanwhile ending the use rather than the process. False, and `use` not called or
    // cut off where it read, for a missing, empty or unreadable file or one cut short under
    // it; then whatever `use` built is left behind. What `use` throws goes to the caller.
    static bool map(const QString& path, qint64 maxBytes, Links links, const std::function<void(const QByteArray&)>& use);

    bool missing() const { return !bytes && problem.isEmpty(); }

    std::optional<QByteArray> bytes; // the content; none when missing or unreadable
    QString problem;                 // why the file cannot be read; empty when read or missing
};

} // namespace hub
