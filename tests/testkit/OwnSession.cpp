#include "tests/testkit/OwnSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

namespace hub::test {

int runInOwnSession(const QProcessEnvironment& environment, const QStringList& arguments, int timeoutMs)
{
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QStringLiteral("dbus-run-session"),
                QStringList{QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                            QStringLiteral("printf tavren-hub-test | gnome-keyring-daemon --unlock --components=secrets >/dev/null"
                                           " && exec \"$0\" \"$@\""),
                            QCoreApplication::applicationFilePath()}
                    + arguments);
    if (!child.waitForFinished(timeoutMs) || child.exitStatus() != QProcess::NormalExit)
        return -1;
    return child.exitCode();
}

QProcessEnvironment sandboxedEnvironment(const QString& sandbox, const QString& flag)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QList<std::pair<const char*, const char*>> folders{{"HOME", "home"}, {"XDG_DATA_HOME", "data"}, {"XDG_CACHE_HOME", "cache"},
                                                            {"XDG_CONFIG_HOME", "config"}, {"XDG_RUNTIME_DIR", "runtime"}};
    for (const auto& [name, folder] : folders) {
        const QString path = QDir(sandbox).filePath(QLatin1String(folder));
        QDir().mkpath(path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        environment.insert(QString::fromLatin1(name), path);
    }
    environment.insert(flag, QStringLiteral("1"));
    return environment;
}

} // namespace hub::test
