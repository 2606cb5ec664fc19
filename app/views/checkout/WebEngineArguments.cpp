#include "app/views/checkout/WebEngineArguments.h"

#include "kit/deployment/Deployment.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace hub::WebEngineArguments {

namespace {

constexpr const char* flagsVariable = "QTWEBENGINE_CHROMIUM_FLAGS";

} // namespace

QByteArray flags(const QByteArray& existing, const QString& lines)
{
    QStringList parts;
    if (!existing.trimmed().isEmpty())
        parts << QString::fromLocal8Bit(existing.trimmed());
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
    qputenv(flagsVariable, flags(qgetenv(flagsVariable), QString::fromUtf8(file.readAll())));
}

} // namespace hub::WebEngineArguments
