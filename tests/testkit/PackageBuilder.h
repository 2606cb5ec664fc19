#pragma once

#include "tests/testkit/ArchiveEntry.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace hub::test {

// One component package inside an installer package: its PackageInfo, its
// Payload (a cpio archive, gzip or pbzx) and optionally its Scripts.
struct PackageComponent {
    enum class Compression { gzip, pbzx };

    QByteArray folder;                      // e.g. "Synth.pkg"; empty puts the component at the root
    std::optional<QByteArray> installLocation;
    qint64 installKBytes = 0;
    std::optional<QList<ArchiveEntry>> payload = QList<ArchiveEntry>{};
    std::optional<QList<ArchiveEntry>> scripts;
    Compression compression = Compression::gzip;
    std::optional<QByteArray> packageInfo;  // replaces the generated PackageInfo
};

// Signs the table of contents: an RSA key and the certificate chain, leaf first.
struct PackageSigning {
    QByteArray privateKeyPem;
    QList<QByteArray> certificatesDer;
    QByteArray checksumStyle = "sha1"; // of the table of contents and every file: md5, sha1, sha256
};

// Builds a xar installer package at test time.
class PackageBuilder {
public:
    PackageBuilder& add(PackageComponent component);
    // Any other entry of the xar (a Distribution file, a Resources folder, a symbolic link,
    // a hostile name).
    PackageBuilder& addEntry(ArchiveEntry entry);
    PackageBuilder& sign(PackageSigning signing);
    void write(const QString& path) const;
    // What write() puts in the file.
    QByteArray bytes() const;

    // The PackageInfo a component gets unless it brings its own.
    static QByteArray packageInfo(const PackageComponent& component);
    // A cpio archive of entries, gzip-compressed or in pbzx chunks.
    static QByteArray payload(const QList<ArchiveEntry>& entries, PackageComponent::Compression compression);
    static QByteArray pbzx(const QByteArray& data);

private:
    QList<PackageComponent> components_;
    QList<ArchiveEntry> extra_;
    std::optional<PackageSigning> signing_;
};

} // namespace hub::test
