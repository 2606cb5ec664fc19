#include "kit/platform/SystemTools.h"

#include <QDir>
#include <QFileInfo>

namespace hub {

namespace {

// The tools beside the running executable (<prefix>/bin -> <prefix>/libexec/tavren-hub), as
// in an installed hub and in the build tree; the build's own folder when there are none.
QString libexecFolder()
{
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString beside = QDir::cleanPath(QFileInfo(exe).absolutePath() + QStringLiteral("/../libexec/tavren-hub"));
    if (!exe.isEmpty() && QFileInfo(beside + QStringLiteral("/ditto")).isExecutable())
        return beside;
    return QStringLiteral(HUB_LIBEXEC_DIR);
}

} // namespace

const SystemTools& SystemTools::installed()
{
    static const SystemTools& tools = *new SystemTools([] {
        const QString folder = libexecFolder();
        return SystemTools{folder + QStringLiteral("/pkgutil"), QStringLiteral("/usr/bin/zipinfo"),
                           folder + QStringLiteral("/ditto"), folder + QStringLiteral("/hdiutil")};
    }());
    return tools;
}

} // namespace hub
