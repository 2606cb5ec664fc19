#include "app/model/InstallQueue.h"

#include "app/model/Accounts.h"
#include "app/model/Assign.h"
#include "app/model/Banners.h"
#include "app/model/Library.h"
#include "app/model/RunOn.h"
#include "app/model/StageRelay.h"
#include "kit/downloads/DownloadInterrupted.h"

#include <QPointer>
#include <QUrl>
#include <algorithm>

namespace hub {

namespace {

const QString noEngine = QStringLiteral("Installing is not possible: the download folder could not be made.");

} // namespace

// How a run ended, as the worker saw it; nothing is thrown across the await.
struct InstallQueue::Outcome {
    InstallStage stage = InstallStage::installed();
    std::optional<DownloadResumeData> resumeData;
    QStringList notes;
};

InstallQueue::InstallQueue(const Services& services, ModelPools& pools, Parts parts, Reporter report, QObject* parent)
    : QObject(parent), services_(services), pools_(pools), parts_(parts), report_(std::move(report))
{
    // What an earlier process left (a crash, a kill) goes before any run starts here.
    if (services_.pipeline)
        pools_.installs.start([engine = services_.pipeline] { engine->sweep(); });
}

void InstallQueue::setPendingInstall(const std::optional<PendingInstall>& pending)
{
    if (assign(pendingInstall_, pending))
        emit pendingInstallChanged();
}

InstallJob* InstallQueue::job(const QString& productId) const
{
    const auto found = std::find_if(jobs_.begin(), jobs_.end(), [&](InstallJob* j) { return j->id() == productId; });
    return found == jobs_.end() ? nullptr : *found;
}

void InstallQueue::install(const StorefrontProduct& product, const std::optional<Download>& download, bool verifyOnly)
{
    if (!parts_.accounts.storeUser()) {
        setPendingInstall(PendingInstall{product, download});
        parts_.accounts.openSignIn(SignInPurpose::connectStore(
            QStringLiteral("Downloads come from the Tavren store. Connect your store account once and ") + product.name
            + QStringLiteral(" will start installing.")));
        return;
    }
    std::optional<Download> chosen = download;
    if (!chosen) {
        const QList<Download> mac = product.macDownloads();
        if (mac.isEmpty()) {
            parts_.banners.flash(Banner::Tone::failure, product.name + QStringLiteral(" has no macOS download yet."));
            return;
        }
        chosen = mac.first();
    }
    // A job that has started counts as active even before its first report, and a
    // dropped job's run (or an uninstall) still works in the product's folders.
    const InstallJob* existing = job(product.id);
    if ((existing && (existing->stage().isActive() || existing->isRunning())) || liveRun(product.id))
        return;

    QList<InstallJob*> kept = jobs_;
    kept.removeIf([&](InstallJob* j) {
        if (j->id() != product.id)
            return false;
        drop(j);
        return true;
    });
    const InstallRequest request{product.id, product.name, parts_.library.latestVersion(product).value_or(QStringLiteral("0")), *chosen};
    kept.prepend(new InstallJob(request, verifyOnly, this));
    setJobs(std::move(kept));
    emit installRequested(product, *chosen, verifyOnly);
    pumpQueue();
}

void InstallQueue::pumpQueue()
{
    QList<QPointer<InstallJob>> startable;
    for (auto it = jobs_.rbegin(); it != jobs_.rend(); ++it) {
        if ((*it)->stage().kind == InstallStage::Kind::queued && !(*it)->isRunning())
            startable.append(*it);
    }
    for (const QPointer<InstallJob>& job : startable) {
        // Counted again before every start: a start that failed on the lock has pumped
        // the queue in between, and may have filled the slots.
        const auto running = std::count_if(live_.begin(), live_.end(), [](const LiveRun& r) { return r.isJob; });
        if (running >= maxConcurrentJobs)
            break;
        if (!job || !jobs_.contains(job.data()) || job->stage().kind != InstallStage::Kind::queued || job->isRunning())
            continue;
        run(job);
    }
}

void InstallQueue::resume(InstallJob* job)
{
    const InstallStage::Kind kind = job->stage().kind;
    if (job->isRunning() || (kind != InstallStage::Kind::paused && kind != InstallStage::Kind::failed))
        return;
    job->setStage(InstallStage::queued());
    pumpQueue();
}

void InstallQueue::cancel(InstallJob* job)
{
    job->pause();
    // A running job's resume data goes when its run ends (see execute).
    if (job->resumeData())
        discardResume(job->request());
    job->setResumeData(std::nullopt);
    const QString id = job->id();
    QList<InstallJob*> kept = jobs_;
    kept.removeIf([&](InstallJob* j) {
        if (j->id() != id)
            return false;
        drop(j);
        return true;
    });
    setJobs(std::move(kept));
}

void InstallQueue::clearFinished()
{
    QList<InstallJob*> kept = jobs_;
    kept.removeIf([&](InstallJob* j) {
        const InstallStage::Kind kind = j->stage().kind;
        if (kind != InstallStage::Kind::installed && kind != InstallStage::Kind::failed)
            return false;
        drop(j);
        return true;
    });
    setJobs(std::move(kept));
}

void InstallQueue::stopAll()
{
    for (LiveRun& run : live_)
        run.stop.request_stop();
}

void InstallQueue::sweepWork()
{
    if (services_.pipeline)
        services_.pipeline->sweep();
}

void InstallQueue::discardResume(const InstallRequest& request)
{
    if (services_.pipeline)
        pools_.installs.start([engine = services_.pipeline, request] { engine->discard(request); });
}

void InstallQueue::run(InstallJob* job)
{
    const std::shared_ptr<InstallLock> lock = services_.installLock;
    if (!services_.pipeline || (!job->verifyOnly() && lock && !lock->tryLock())) {
        job->setStage(InstallStage::failed(services_.pipeline ? lockBusy : noEngine));
        jobFinished(job);
        return;
    }
    std::stop_source stop;
    const quint64 id = startLive(job->id(), job->request().productName, !job->verifyOnly(), true, stop);
    const JobRun handle{stop, id};
    job->setTask(handle);
    execute(job, handle);
}

QCoro::Task<> InstallQueue::execute(InstallJob* job, JobRun run)
{
    QPointer<InstallQueue> self(this);
    QPointer<InstallJob> guard(job);
    const quint64 id = run.id;
    const InstallRequest request = job->request();
    // Reports of an ended or replaced run are dropped, so a late one cannot
    // make a finished job look active again.
    const std::shared_ptr<StageRelay> relay = StageRelay::make([guard, id](const InstallStage& stage) {
        if (guard && guard->task() && guard->task()->id == id)
            guard->setStage(stage);
    });
    auto work = runOn(pools_.installs,
        [engine = services_.pipeline, request, resume = job->resumeData(), verifyOnly = job->verifyOnly(),
            token = run.stop.get_token(), relay]() -> Outcome {
            const InstallEngine::StageCallback report = [relay](const InstallStage& stage) { relay->report(stage); };
            try {
                if (verifyOnly) {
                    engine->verify(request, report, token);
                    return {};
                }
                return {InstallStage::installed(), std::nullopt, engine->run(request, resume, report, token).notes};
            } catch (const DownloadInterrupted& interrupted) {
                if (interrupted.cause == DownloadInterrupted::Cause::stopped)
                    return {InstallStage::paused(), interrupted.resumeData};
                // Only the user's pause is a pause; the bytes kept stay for Retry.
                const QString promise = interrupted.resumeData ? QStringLiteral(" Retry continues the download.") : QString();
                return {InstallStage::failed(interrupted.message() + promise), interrupted.resumeData};
            } catch (const Error& error) {
                return {InstallStage::failed(error.message()), std::nullopt};
            } catch (const std::exception& error) {
                return {InstallStage::failed(QString::fromLocal8Bit(error.what())), std::nullopt};
            }
        });
    const Outcome outcome = co_await work;
    if (!self)
        co_return;
    endLive(id);
    // A job cancelled while it ran keeps nothing to resume.
    if (outcome.resumeData && (!guard || !jobs_.contains(guard.data())))
        discardResume(request);
    if (guard && guard->task() && guard->task()->id == id) {
        guard->setResumeData(outcome.resumeData);
        guard->setNotes(outcome.notes);
        guard->setStage(outcome.stage);
        guard->setTask(std::nullopt);
    }
    jobFinished(guard);
}

void InstallQueue::jobFinished(InstallJob* job)
{
    releaseLockIfIdle();
    refreshInstalled();
    if (job) {
        const InstallRequest& request = job->request();
        const InstallStage& stage = job->stage();
        if (stage.kind == InstallStage::Kind::failed) {
            parts_.banners.flash(Banner::Tone::failure, request.productName + QStringLiteral(": ") + stage.message);
        } else if (stage.kind == InstallStage::Kind::installed && job->verifyOnly()) {
            parts_.banners.flash(Banner::Tone::success,
                request.productName + QLatin1Char(' ') + request.version + QStringLiteral(" passed every check."));
        } else if (stage.kind == InstallStage::Kind::installed) {
            parts_.banners.flash(Banner::Tone::success,
                request.productName + QLatin1Char(' ') + request.version + QStringLiteral(" is installed."));
            const bool frontmost = services_.isFrontmost && services_.isFrontmost();
            if (!frontmost && services_.notify)
                services_.notify(request.productName + QStringLiteral(" is installed"),
                    QStringLiteral("Version ") + request.version + QStringLiteral(" is ready to use."),
                    QStringLiteral("tavren-hub:product/") + QString::fromLatin1(QUrl::toPercentEncoding(request.productId)));
        }
        if (!jobs_.contains(job))
            job->deleteLater();
    }
    pumpQueue();
}

QCoro::Task<> InstallQueue::uninstall(QString productId)
{
    QPointer<InstallQueue> self(this);
    if (const LiveRun* running = liveRun(productId)) {
        parts_.banners.flash(Banner::Tone::failure,
            running->productName + QStringLiteral(" is being installed. Try again when that has finished."));
        co_return;
    }
    const std::shared_ptr<InstallLock> lock = services_.installLock;
    if (lock && !lock->tryLock()) {
        parts_.banners.flash(Banner::Tone::failure, lockBusy);
        co_return;
    }
    const std::shared_ptr<const InstallEngine> engine = services_.pipeline;
    const std::shared_ptr<InstallLedger> ledger = services_.ledger;
    if (!engine || !ledger) {
        parts_.banners.flash(Banner::Tone::failure, noEngine);
        releaseLockIfIdle();
        co_return;
    }
    const std::optional<InstallRecord> record = parts_.library.record(productId);
    const QString name = record ? record->productName : productId;
    const quint64 id = startLive(productId, name, true, false, {});
    std::optional<Removal> removal;
    try {
        auto work = runOn(pools_.installs, [engine, ledger, productId] {
            ledger->reload(); // records the background updater wrote
            return engine->uninstall(productId);
        });
        removal = co_await work;
    } catch (const std::exception& error) {
        if (self)
            report_(error);
    }
    if (!self)
        co_return;
    endLive(id);
    if (removal) {
        refreshInstalled();
        if (const QString left = removal->leftText(); !left.isEmpty())
            parts_.banners.flash(Banner::Tone::failure, left);
        else if (!removal->moved.isEmpty())
            parts_.banners.flash(Banner::Tone::info, QStringLiteral("Moved to the Trash."));
        else
            parts_.banners.flash(Banner::Tone::info, name + QStringLiteral(" was already removed outside the hub."));
    }
    releaseLockIfIdle();
}

const InstallQueue::LiveRun* InstallQueue::liveRun(const QString& productId) const
{
    const auto found = std::find_if(live_.begin(), live_.end(), [&](const LiveRun& r) { return r.productId == productId; });
    return found == live_.end() ? nullptr : &*found;
}

quint64 InstallQueue::startLive(
    const QString& productId, const QString& productName, bool holdsLock, bool isJob, std::stop_source stop)
{
    const quint64 id = ++nextRun_;
    live_.append({id, productId, productName, holdsLock, isJob, std::move(stop)});
    return id;
}

void InstallQueue::endLive(quint64 id)
{
    live_.removeIf([&](const LiveRun& r) { return r.id == id; });
}

void InstallQueue::releaseLockIfIdle()
{
    const bool busy = std::any_of(live_.begin(), live_.end(), [](const LiveRun& r) { return r.holdsLock; });
    if (!busy && services_.installLock)
        services_.installLock->unlock();
}

void InstallQueue::refreshInstalled()
{
    if (services_.ledger)
        parts_.library.setInstalled(services_.ledger->all());
    parts_.library.updateDockBadge();
}

void InstallQueue::drop(InstallJob* job)
{
    // A running job lives on until its run ends (jobFinished deletes it then).
    if (!job->isRunning())
        job->deleteLater();
}

void InstallQueue::setJobs(QList<InstallJob*> jobs)
{
    if (assign(jobs_, std::move(jobs)))
        emit jobsChanged();
}

} // namespace hub
