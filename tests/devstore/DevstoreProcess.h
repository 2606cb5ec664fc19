#pragma once

// The real devstore binary for integration tests: started on a free port with a state
// folder of its own, its output in a file, stopped when the object goes.
//
//   store = std::make_unique<DevstoreProcess>();   // e.g. in SetUpTestSuite, reset in TearDownTestSuite
//   store->useDemoDeployment();          // TAVREN_HUB_DEPLOYMENT, before the kit reads its values
//   store->deployment();                 // or the values, to build a policy, pins and options by hand
//   store->control("/__devstore/publish", {{"product", "tv-reverb"}, {"version", "1.5.0"}});

#include "kit/api/URLSessionTransport.h"
#include "kit/deployment/Deployment.h"
#include "kit/security/PinnedTrust.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <stdexcept>

namespace hub::test {

class DevstoreProcess {
public:
    explicit DevstoreProcess(QString state = {}, QStringList arguments = {})
    {
        if (state.isEmpty()) {
            owned_ = std::make_unique<QTemporaryDir>();
            state = owned_->path() + QStringLiteral("/state");
        }
        state_ = state;
        log_ = state_ + QStringLiteral(".log");
        process_.setProgram(binary());
        process_.setArguments(QStringList{QStringLiteral("--state"), state_, QStringLiteral("--port"), QStringLiteral("0")}
                              + arguments);
        process_.setStandardOutputFile(log_);
        process_.setStandardErrorFile(log_, QIODevice::Append);
        QElapsedTimer clock;
        clock.start();
        process_.start();
        if (!process_.waitForStarted())
            throw std::runtime_error("the devstore did not start: " + binary().toStdString());
        static const QRegularExpression ready(QStringLiteral("devstore listening on 127\\.0\\.0\\.1:(\\d+)"));
        while (clock.elapsed() < 300'000) {
            const auto match = ready.match(output());
            if (match.hasMatch()) {
                port_ = quint16(match.captured(1).toUInt());
                startMs_ = clock.elapsed();
                return;
            }
            if (process_.state() == QProcess::NotRunning)
                break;
            QThread::msleep(20);
        }
        throw std::runtime_error("the devstore did not come up: " + output().toStdString());
    }

    ~DevstoreProcess()
    {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    // In the build's bin folder: HUB_BUILD_DIR's under CTest, else this program's own.
    static QString binary()
    {
        const QString build = qEnvironmentVariable("HUB_BUILD_DIR");
        return (build.isEmpty() ? QCoreApplication::applicationDirPath() : build + QStringLiteral("/bin"))
                + QStringLiteral("/tavren-devstore");
    }

    quint16 port() const { return port_; }
    qint64 startMilliseconds() const { return startMs_; }
    QString state() const { return state_; }
    QString deploymentFile() const { return state_ + QStringLiteral("/deployment.json"); }
    QString output() const
    {
        QFile file(log_);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // Points this process's deployment values at the devstore. False when this build is not
    // the demo flavour, or when the values were read before (then they must already match).
    bool useDemoDeployment() const
    {
        if (!Deployment::readsDeploymentFile())
            return false;
        qputenv("TAVREN_HUB_DEPLOYMENT", deploymentFile().toUtf8());
        return Deployment::current().loopbackPort == port_;
    }

    // The values its deployment file gives, read afresh (for any flavour of the build).
    Deployment deployment() const
    {
        QFile file(deploymentFile());
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error("no deployment file in " + state_.toStdString());
        return Deployment::fromJson(file.readAll(), state_);
    }

    // A control request over a transport pinned to the devstore; the answer's JSON object.
    QJsonObject control(const QByteArray& method, const QString& path, const QJsonObject& body = {}) const
    {
        const Deployment values = deployment();
        URLSessionTransport transport(PinnedTrust::from(values), ConnectionOptions::from(values));
        HttpRequest request;
        request.method = method;
        request.url = "https://" + values.apiHost.toUtf8() + path.toUtf8();
        request.headers = {{"Content-Type", "application/json"}};
        if (method != "GET")
            request.body = QJsonDocument(body).toJson(QJsonDocument::Compact);
        const HttpResponse response = transport.send(request);
        if (response.status != 200)
            throw std::runtime_error("devstore control " + path.toStdString() + " answered " + std::to_string(response.status));
        return QJsonDocument::fromJson(response.body).object();
    }

private:
    std::unique_ptr<QTemporaryDir> owned_;
    QString state_;
    QString log_;
    QProcess process_;
    quint16 port_ = 0;
    qint64 startMs_ = 0;
};

} // namespace hub::test
