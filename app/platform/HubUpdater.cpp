#include "app/platform/HubUpdater.h"

#include "app/platform/HubReleaseError.h"

#include <QCoreApplication>
#include <QFutureWatcher>
#include <QProcess>
#include <QtConcurrent>

namespace hub {

HubUpdater::HubUpdater(std::shared_ptr<HubUpdateService> service, std::shared_ptr<QSettings> defaults, Schedule timing,
                       QObject* parent)
    : QObject(parent), service_(std::move(service)), defaults_(std::move(defaults)), schedule_(timing),
      checksAutomatically_(defaults_->value(QLatin1String(checksKey), true).toBool()),
      installsAutomatically_(defaults_->value(QLatin1String(installsKey), false).toBool())
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        started_ = true;
        if (canCheck_)
            start(false);
        schedule();
    });
    // The first answer to "may a check start" comes on the next turn of the event loop.
    QMetaObject::invokeMethod(this, [this] { setCanCheck(service_->isConfigured() && !busy_); }, Qt::QueuedConnection);
    schedule();
}

HubUpdater::~HubUpdater() = default;

void HubUpdater::schedule()
{
    if (!checksAutomatically_) {
        timer_.stop();
        return;
    }
    if (!timer_.isActive())
        timer_.start(started_ ? schedule_.every : schedule_.first);
}

bool HubUpdater::writeThrough(const char* key, bool on, bool& field)
{
    defaults_->setValue(QLatin1String(key), on);
    defaults_->sync();
    if (on == field)
        return false;
    field = on;
    return true;
}

void HubUpdater::setChecksAutomatically(bool on)
{
    if (!writeThrough(checksKey, on, checksAutomatically_))
        return;
    schedule();
    emit checksAutomaticallyChanged();
}

void HubUpdater::setInstallsAutomatically(bool on)
{
    if (writeThrough(installsKey, on, installsAutomatically_))
        emit installsAutomaticallyChanged();
}

void HubUpdater::checkForUpdates()
{
    if (canCheck_)
        start(true);
}

void HubUpdater::start(bool byHand)
{
    busy_ = true;
    setCanCheck(false);
    const bool install = (byHand || installsAutomatically_) && !readyToRelaunch_;
    const std::shared_ptr<HubUpdateService> service = service_;
    auto* watcher = new QFutureWatcher<Result>(this);
    connect(watcher, &QFutureWatcher<Result>::finished, this, [this, watcher] {
        watcher->deleteLater();
        finish(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run([service, install, byHand] {
        Result result;
        result.byHand = byHand;
        try {
            result.release = service->check();
            if (result.release && install && service->canReplace()) {
                service->install(*result.release);
                result.installed = true;
            }
        } catch (const Error& error) {
            result.problem = error.message();
        } catch (const std::exception& error) {
            result.problem = QString::fromLocal8Bit(error.what());
        }
        return result;
    }));
}

void HubUpdater::finish(const Result& result)
{
    busy_ = false;
    setProblem(result.problem);
    if (result.problem.isEmpty() && available_ != result.release) {
        available_ = result.release;
        emit availableVersionChanged();
    }
    if (result.installed && !readyToRelaunch_) {
        readyToRelaunch_ = true;
        emit readyToRelaunchChanged();
    }
    setCanCheck(service_->isConfigured());
    if (result.byHand)
        emit checkedByHand();
}

void HubUpdater::relaunch()
{
    // The new hub waits for this process to end, so that it becomes the one instance.
    const QString script = QStringLiteral("while kill -0 %1 2>/dev/null; do sleep 0.2; done; exec \"$0\"")
                               .arg(QCoreApplication::applicationPid());
    QProcess::startDetached(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, service_->location().executable});
    QCoreApplication::quit();
}

void HubUpdater::setCanCheck(bool value)
{
    if (canCheck_ == value)
        return;
    canCheck_ = value;
    emit canCheckChanged();
}

void HubUpdater::setProblem(const QString& text)
{
    if (problem_ == text)
        return;
    problem_ = text;
    emit problemChanged();
}

} // namespace hub
