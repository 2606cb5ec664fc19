#include "app/platform/InstallLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <unistd.h>

namespace hub {

InstallLocation InstallLocation::current()
{
    return of(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
}

InstallLocation InstallLocation::of(const QString& executable)
{
    return {executable, QDir::cleanPath(QFileInfo(executable).absolutePath() + QStringLiteral("/.."))};
}

QString InstallLocation::infoPath() const { return prefix + QStringLiteral("/share/tavren-hub/info.json"); }

QJsonObject InstallLocation::info() const
{
    QFile file(infoPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.read(64 * 1024)).object();
}

bool InstallLocation::isInstalled() const
{
    const QString recorded = info().value(QStringLiteral("prefix")).toString();
    const QString installed = recorded.isEmpty() ? QString() : QFileInfo(recorded).canonicalFilePath();
    return !installed.isEmpty() && QFileInfo(prefix).canonicalFilePath() == installed;
}

bool InstallLocation::isSelfContained() const
{
    if (info().value(QStringLiteral("layout")).toString() != u"self-contained")
        return false;
    const QByteArray own = QFile::encodeName(prefix);
    const QByteArray parent = QFile::encodeName(QFileInfo(prefix).absolutePath());
    return ::access(own.constData(), W_OK) == 0 && ::access(parent.constData(), W_OK) == 0;
}

} // namespace hub
