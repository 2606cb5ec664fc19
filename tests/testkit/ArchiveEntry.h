#pragma once

#include <QByteArray>
#include <QList>

namespace hub::test {

// One entry of an archive a test builds: names and link targets are raw bytes, so
// hostile archives ("../", absolute paths, invalid UTF-8) can be written as well.
struct ArchiveEntry {
    enum class Type { file, directory, symlink, hardlink };

    QByteArray path;
    Type type = Type::file;
    QByteArray data;   // contents of a file
    QByteArray target; // target of a symbolic or hard link
    int mode = 0644;

    static ArchiveEntry file(QByteArray path, QByteArray data, int mode = 0644);
    static ArchiveEntry directory(QByteArray path, int mode = 0755);
    static ArchiveEntry symlink(QByteArray path, QByteArray target);
    static ArchiveEntry hardlink(QByteArray path, QByteArray target);

    // A minimal bundle at path: Contents/Info.plist and an executable of
    // executableBytes bytes in Contents/MacOS.
    static QList<ArchiveEntry> bundle(const QByteArray& path, qsizetype executableBytes = 16);
};

} // namespace hub::test
