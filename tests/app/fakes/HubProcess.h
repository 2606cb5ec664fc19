#pragma once

// The real tavren-hub binary of this build, offscreen, in a home of its own (HOME, the XDG
// folders and a private runtime folder under `home`), against the deployment in the
// environment (see DevstoreProcess::useDemoDeployment).

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <memory>

namespace hub::test {

class HubProcess {
public:
    explicit HubProcess(const QString& home)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        for (const char* folder : {"HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
            const QString path = QDir(home).filePath(QString::fromLatin1(folder));
            QDir().mkpath(path);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            environment.insert(QString::fromLatin1(folder), path);
        }
        process_.setProcessEnvironment(environment);
    }

    static QString binary() { return qEnvironmentVariable("HUB_BUILD_DIR") + QStringLiteral("/bin/tavren-hub"); }

    bool start(const QStringList& arguments)
    {
        process_.start(binary(), arguments);
        return process_.waitForStarted();
    }
    // The exit status once it ended normally within `ms`; -1 otherwise (killed then).
    int finish(int ms)
    {
        if (!process_.waitForFinished(ms)) {
            process_.kill();
            process_.waitForFinished();
            return -1;
        }
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }

    QProcess& process() { return process_; }

private:
    QProcess process_;
};

} // namespace hub::test
