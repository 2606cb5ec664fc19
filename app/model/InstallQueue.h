#pragma once

#include "app/model/InstallJob.h"
#include "app/model/ModelPools.h"
#include "app/model/PendingInstall.h"
#include "app/model/Services.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <exception>
#include <functional>
#include <optional>

namespace hub {

class Accounts;
class Banners;
class Library;

// The install queue: the jobs, newest first, at most two running at once on the
// model's install pool, each under the install lock (checks never take it); the
// install that waits for a store sign-in; and uninstalling.
//
// The lock is held while any real install or uninstall is live, counted by its
// run whether or not its job is still listed, so dropping a job never releases
// the lock under a placement. A product with a live run cannot be installed or
// uninstalled again until that run ends.
class InstallQueue : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<hub::PendingInstall> pendingInstall READ pendingInstall NOTIFY pendingInstallChanged)
    Q_PROPERTY(QList<hub::InstallJob*> jobs READ jobs NOTIFY jobsChanged)

public:
    static constexpr int maxConcurrentJobs = 2;
    static inline const QString lockBusy = QStringLiteral("A background update is running. Try again in a minute.");

    struct Parts {
        Accounts& accounts;
        Banners& banners;
        Library& library;
    };
    using Reporter = std::function<void(const std::exception&)>;

    InstallQueue(const Services& services, ModelPools& pools, Parts parts, Reporter report, QObject* parent = nullptr);

    const std::optional<PendingInstall>& pendingInstall() const { return pendingInstall_; }
    void setPendingInstall(const std::optional<PendingInstall>& pending);
    const QList<InstallJob*>& jobs() const { return jobs_; }
    // The product's job in the list, if any.
    InstallJob* job(const QString& productId) const;

    // Without a connected store account the request waits in pendingInstall and the
    // sign-in sheet opens to connect the store; otherwise the product's chosen (or
    // first macOS) download is queued at the front, replacing the product's job
    // unless that one is running.
    void install(const StorefrontProduct& product, const std::optional<Download>& download = std::nullopt,
        bool verifyOnly = false);
    // Starts the oldest queued jobs while fewer than two run.
    void pumpQueue();
    // A paused or failed job back in the queue; one with resume data (paused, or failed
    // with its bytes kept) continues its download.
    void resume(InstallJob* job);
    // Stops the job's run and drops it from the list; the run still ends through the end-of-job steps.
    void cancel(InstallJob* job);
    // Drops installed and failed jobs.
    void clearFinished();
    QCoro::Task<> uninstall(QString productId);
    // Asks every live run to stop (the model is going away).
    void stopAll();
    // Removes the work the queue's runs left (the partial files of paused jobs with it):
    // at quit, once every run has ended, since no later process can resume them.
    void sweepWork();

signals:
    void pendingInstallChanged();
    void jobsChanged();
    // An install accepted into the queue.
    void installRequested(const hub::StorefrontProduct& product, const hub::Download& download, bool verifyOnly);

private:
    struct LiveRun {
        quint64 id;
        QString productId;
        QString productName;
        bool holdsLock;
        bool isJob;
        std::stop_source stop;
    };
    struct Outcome;

    void run(InstallJob* job);
    QCoro::Task<> execute(InstallJob* job, JobRun run);
    void jobFinished(InstallJob* job);
    const LiveRun* liveRun(const QString& productId) const;
    quint64 startLive(const QString& productId, const QString& productName, bool holdsLock, bool isJob, std::stop_source stop);
    void endLive(quint64 id);
    void releaseLockIfIdle();
    void refreshInstalled();
    void drop(InstallJob* job);
    // Removes a dropped job's resume data on the install pool.
    void discardResume(const InstallRequest& request);
    void setJobs(QList<InstallJob*> jobs);

    const Services& services_;
    ModelPools& pools_;
    Parts parts_;
    Reporter report_;
    std::optional<PendingInstall> pendingInstall_;
    QList<InstallJob*> jobs_;
    QList<LiveRun> live_;
    quint64 nextRun_ = 0;
};

} // namespace hub
