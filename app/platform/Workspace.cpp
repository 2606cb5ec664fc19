#include "app/platform/Workspace.h"

#include "kit/support/PropertyList.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace hub {

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

void Workspace::openApplication(const QString& bundle) const
{
    const QString executable = mainExecutable(bundle);
    if (!executable.isEmpty())
        QProcess::startDetached(executable, {}, QFileInfo(bundle).absolutePath());
}

} // namespace hub
