#include "app/platform/Workspace.h"

#include "kit/support/PropertyList.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QUrl>

namespace hub {

namespace {

Q_LOGGING_CATEGORY(workspaceLog, "com.tavren.hub.workspace")

} // namespace

Workspace::Workspace(QDBusConnection bus) : bus_(std::move(bus)) {}

void Workspace::reveal(const QStringList& paths) const
{
    if (paths.isEmpty())
        return;
    QStringList uris;
    for (const QString& path : paths)
        uris.append(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(fileManagerService),
        QString::fromLatin1(fileManagerPath), QString::fromLatin1(fileManagerService), QStringLiteral("ShowItems"));
    call << uris << QString();
    const QString folder = QFileInfo(paths.first()).absolutePath();
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [folder](QDBusPendingCallWatcher* done) {
        if (done->isError())
            QProcess::startDetached(QStringLiteral("xdg-open"), {folder});
        done->deleteLater();
    });
}

QString Workspace::mainExecutable(const QString& bundle)
{
    QFile info(QDir(bundle).filePath(QStringLiteral("Contents/Info.plist")));
    if (!info.open(QIODevice::ReadOnly))
        return {};
    const std::optional<QVariant> plist = PropertyList::parse(info.readAll());
    if (!plist || plist->typeId() != QMetaType::QVariantMap)
        return {};
    const QString name = plist->toMap().value(QStringLiteral("CFBundleExecutable")).toString();
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == u"." || name == u"..")
        return {};
    const QString executable = QDir(bundle).filePath(QStringLiteral("Contents/MacOS/") + name);
    return QFileInfo(executable).isExecutable() ? executable : QString();
}

bool Workspace::openApplication(const QString& bundle) const
{
    const QString executable = mainExecutable(bundle);
    if (executable.isEmpty()) {
        qCWarning(workspaceLog, "%s has no executable to start", qUtf8Printable(bundle));
        return false;
    }
    QProcess process;
    process.setProgram(executable);
    process.setWorkingDirectory(QFileInfo(bundle).absolutePath());
    if (process.startDetached())
        return true;
    qCWarning(workspaceLog, "cannot start %s: %s", qUtf8Printable(executable), qUtf8Printable(process.errorString()));
    return false;
}

} // namespace hub
