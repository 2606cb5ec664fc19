#pragma once

#include "tests/testkit/ArchiveEntry.h"

#include <QList>
#include <QString>

namespace hub::test {

// Builds a UDIF disk image at test time: the entries are written to a scratch
// folder, made into an ISO 9660 volume with Rock Ridge (xorriso, no root needed)
// and wrapped in a UDIF container with its "koly" trailer, which /usr/bin/7zz reads.
class DiskImageBuilder {
public:
    DiskImageBuilder& add(const ArchiveEntry& entry);
    DiskImageBuilder& add(const QList<ArchiveEntry>& entries);
    // scratch is a folder of the test's own that the builder may fill.
    void write(const QString& imagePath, const QString& scratch) const;

    // Wraps a raw volume in a UDIF image: the sectors as raw chunks, the resource
    // property list with its "blkx" table, and the 512-byte trailer.
    static void wrapUdif(const QString& volumePath, const QString& imagePath);

    // Writes entries below root on disk (files, folders, links; modes kept).
    static void materialize(const QList<ArchiveEntry>& entries, const QString& root);

private:
    QList<ArchiveEntry> entries_;
};

} // namespace hub::test
