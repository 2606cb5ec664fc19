#include "app/views/kit/WebEngineArguments.h"

#include "kit/deployment/Deployment.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace hub::WebEngineArguments {

namespace {

constexpr const char* flagsVariable = "QTWEBENGINE_CHROMIUM_FLAGS";
constexpr const char* remoteDebuggingVariable = "QTWEBENGINE_REMOTE_DEBUGGING";
constexpr const char* separator = "--webEngineArgs";
constexpr const char* accessibilityVariable = "QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY";

} // namespace

int applicationCount(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        if (argv[i] && qstricmp(argv[i], separator) == 0)
            return i;
    }
    return std::max(argc, 0);
}

void clearInherited()
{
    // Set, even empty, the flags replace every process argument in the engine's view.
    qputenv(flagsVariable, QByteArray(""));
    qunsetenv(remoteDebuggingVariable);
}

void enableAccessibility()
{
    if (!qEnvironmentVariableIsSet(accessibilityVariable))
        qputenv(accessibilityVariable, QByteArray("1"));
}

QByteArray flags(const QString& lines)
{
    QStringList parts;
    for (const QString& line : lines.split(u'\n')) {
        const QString argument = line.trimmed();
        if (argument.isEmpty() || argument.contains(u'"'))
            continue;
        parts << (argument.contains(u' ') ? u'"' + argument + u'"' : argument);
    }
    return parts.join(u' ').toLocal8Bit();
}

void applyDemo()
{
    static bool applied = false;
    if (applied || !Deployment::readsDeploymentFile())
        return;
    applied = true;
    const QString deployment = qEnvironmentVariable("TAVREN_HUB_DEPLOYMENT");
    if (deployment.isEmpty())
        return;
    QFile file(QFileInfo(deployment).absolutePath() + QStringLiteral("/webengine.args"));
    if (!file.open(QIODevice::ReadOnly))
        return;
    qputenv(flagsVariable, flags(QString::fromUtf8(file.readAll())));
}

} // namespace hub::WebEngineArguments
