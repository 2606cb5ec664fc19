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

Workspace::Workspace(QDBusConnection bus, QString opener) : bus_(std::move(bus)), opener_(std::move(opener)) {}

void Workspace::reveal(const QStringList& paths, std::function<void()> failed) const
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
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
        [folder, opener = opener_, failed = std::move(failed)](QDBusPendingCallWatcher* done) {
            done->deleteLater();
            if (!done->isError())
                return;
            // The opener may run as long as the program it starts; only its failure is read.
            auto* open = new QProcess;
            open->setStandardInputFile(QProcess::nullDevice());
            open->setStandardOutputFile(QProcess::nullDevice());
            QObject::connect(open, &QProcess::finished, [open, failed](int status, QProcess::ExitStatus how) {
                open->deleteLater();
                if ((status != 0 || how != QProcess::NormalExit) && failed)
                    failed();
            });
            QObject::connect(open, &QProcess::errorOccurred, [open, failed](QProcess::ProcessError error) {
                if (error != QProcess::FailedToStart)
                    return;
                open->deleteLater();
                if (failed)
                    failed();
            });
            open->start(opener, {folder});
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
