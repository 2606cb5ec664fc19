#pragma once

#include "tests/testkit/ArchiveEntry.h"

#include <QFile>
#include <QHash>
#include <QString>

namespace hub::test {

// Writes a zip archive entry by entry, straight to its file. Files are deflated
// unless stored is asked for; symbolic links carry Unix modes. A declared size can
// be set per entry: the central directory (what zipinfo totals) then gives it while
// the local header keeps the real size, an archive that lies about how far it expands.
class ZipBuilder {
public:
    explicit ZipBuilder(const QString& path);
    ~ZipBuilder();

    ZipBuilder& setStored(bool stored);
    // The size the central directory gives for the entry named path.
    ZipBuilder& declareSize(const QByteArray& path, quint32 size);
    ZipBuilder& add(const ArchiveEntry& entry);
    ZipBuilder& add(const QList<ArchiveEntry>& entries);
    // Writes the central directory and closes the file.
    void finish();

private:
    QFile file_;
    bool stored_ = false;
    bool finished_ = false;
    QHash<QByteArray, quint32> declared_;
    QByteArray central_;
    quint32 count_ = 0;
};

} // namespace hub::test
