#include "tests/testkit/ArchiveEntry.h"

namespace hub::test {

ArchiveEntry ArchiveEntry::file(QByteArray path, QByteArray data, int mode)
{
    return {std::move(path), Type::file, std::move(data), {}, mode};
}

ArchiveEntry ArchiveEntry::directory(QByteArray path, int mode)
{
    return {std::move(path), Type::directory, {}, {}, mode};
}

ArchiveEntry ArchiveEntry::symlink(QByteArray path, QByteArray target)
{
    return {std::move(path), Type::symlink, {}, std::move(target), 0755};
}

ArchiveEntry ArchiveEntry::hardlink(QByteArray path, QByteArray target)
{
    return {std::move(path), Type::hardlink, {}, std::move(target), 0644};
}

QList<ArchiveEntry> ArchiveEntry::bundle(const QByteArray& path, qsizetype executableBytes)
{
    QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    const qsizetype dot = name.lastIndexOf('.');
    if (dot > 0)
        name.truncate(dot);
    const QByteArray plist = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                             "<key>CFBundleExecutable</key><string>" + name + "</string>"
                             "<key>CFBundleShortVersionString</key><string>1.0</string></dict></plist>\n";
    return {
        directory(path),
        directory(path + "/Contents"),
        file(path + "/Contents/Info.plist", plist),
        directory(path + "/Contents/MacOS"),
        file(path + "/Contents/MacOS/" + name, QByteArray(executableBytes, 'x'), 0755),
    };
}

} // namespace hub::test
