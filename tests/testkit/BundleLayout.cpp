#include "tests/testkit/BundleLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <plist/plist.h>

#include <stdexcept>

namespace hub::test {

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

namespace {

QString plistString(const QByteArray& bytes, const char* key)
{
    plist_t root = nullptr;
    plist_from_memory(bytes.constData(), uint32_t(bytes.size()), &root);
    QString out;
    if (root && plist_get_node_type(root) == PLIST_DICT) {
        plist_t item = plist_dict_get_item(root, key);
        if (item && plist_get_node_type(item) == PLIST_STRING) {
            char* value = nullptr;
            plist_get_string_val(item, &value);
            out = QString::fromUtf8(value);
            free(value);
        }
    }
    if (root)
        plist_free(root);
    return out;
}

} // namespace

BundleLayout BundleLayout::of(const QString& bundle)
{
    BundleLayout l;
    l.bundle = QDir::cleanPath(bundle);
    const QString baseName = QFileInfo(l.bundle).completeBaseName();
    if (QFileInfo(l.bundle + "/Versions").isDir()) {
        l.root = QFileInfo(l.bundle + "/Versions/Current").canonicalFilePath();
        if (l.root.isEmpty())
            l.root = l.bundle + "/Versions/A";
        l.infoPlist = l.root + "/Resources/Info.plist";
    } else {
        l.root = l.bundle + "/Contents";
        l.infoPlist = l.root + "/Info.plist";
    }
    QByteArray info;
    if (QFileInfo(l.infoPlist).isFile())
        info = readBytes(l.infoPlist);
    QString executable = plistString(info, "CFBundleExecutable");
    if (executable.isEmpty())
        executable = baseName;
    l.executable = l.infoPlist.endsWith("/Resources/Info.plist") ? l.root + "/" + executable
                                                                 : l.root + "/MacOS/" + executable;
    l.identifier = plistString(info, "CFBundleIdentifier");
    if (l.identifier.isEmpty())
        l.identifier = baseName;
    if (!QFileInfo(l.executable).isFile())
        throw std::runtime_error("no main executable in " + l.bundle.toStdString());
    return l;
}

} // namespace hub::test
