#pragma once

#include <QByteArray>
#include <QString>

namespace hub::test {

// Where the parts of a bundle on disk are, as the test signer reads them back.
struct BundleLayout {
    QString bundle;      // the bundle folder
    QString root;        // the folder its CodeResources seals: Contents/, or Versions/A/ of a framework
    QString infoPlist;   // absolute path; the file may be missing
    QString executable;  // absolute path of the main executable
    QString identifier;  // CFBundleIdentifier, else the folder's base name

    // Throws std::runtime_error when the folder has no main executable.
    static BundleLayout of(const QString& bundle);
};

QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

} // namespace hub::test
