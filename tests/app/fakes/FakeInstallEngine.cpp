#include "tests/app/fakes/FakeInstallEngine.h"

#include "kit/downloads/DownloadInterrupted.h"

namespace hub {

namespace {

struct Failure : Error {
    explicit Failure(QString text) : text(std::move(text)) {}
    QString message() const override { return text; }
    QString text;
};

} // namespace

DownloadResumeData FakeInstallEngine::resumeDataFor(const QString& productId)
{
    return {QStringLiteral("https://downloads.tavren.example/") + productId, productId + QStringLiteral(".part"), 42, "\"etag\"", {}};
}

void FakeInstallEngine::wait(const InstallRequest& request, bool verifyOnly,
    const std::optional<DownloadResumeData>& resumeData, const StageCallback& stage, std::stop_token stop) const
{
    // Made before the lock is taken and ended after it is released: it takes the lock itself.
    const std::stop_callback wake(stop, [this] {
        const std::lock_guard inner(mutex_);
        changed_.notify_all();
    });
    std::unique_lock lock(mutex_);
    calls_.append({request, verifyOnly, resumeData});
    waiting_.insert(request.productId, {false, std::nullopt});
    callbacks_.insert(request.productId, stage);
    for (;;) {
        Waiting& run = waiting_[request.productId];
        if (run.end) {
            const std::optional<QString> failure = *run.end;
            waiting_.remove(request.productId);
            if (failure)
                throw Failure(*failure);
            return;
        }
        if (stop.stop_requested() && !run.pastDownload) {
            waiting_.remove(request.productId);
            throw DownloadInterrupted(resumeDataFor(request.productId));
        }
        changed_.wait(lock);
    }
}

InstallRecord FakeInstallEngine::run(const InstallRequest& request, const std::optional<DownloadResumeData>& resumeData,
    const StageCallback& stage, std::stop_token stop) const
{
    wait(request, false, resumeData, stage, stop);
    InstallRecord record;
    record.productId = request.productId;
    record.productName = request.productName;
    record.version = request.version;
    record.notes = notes.value(request.productId);
    return record;
}

void FakeInstallEngine::verify(const InstallRequest& request, const StageCallback& stage, std::stop_token stop) const
{
    wait(request, true, std::nullopt, stage, stop);
}

Removal FakeInstallEngine::uninstall(const QString& productId) const
{
    const std::lock_guard lock(mutex_);
    uninstalled.append(productId);
    return removal;
}

QList<FakeInstallEngine::Call> FakeInstallEngine::calls() const
{
    const std::lock_guard lock(mutex_);
    return calls_;
}

QStringList FakeInstallEngine::waiting() const
{
    const std::lock_guard lock(mutex_);
    QStringList ids;
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
        if (!it->end)
            ids.append(it.key());
    }
    ids.sort();
    return ids;
}

void FakeInstallEngine::report(const QString& productId, const InstallStage& stage)
{
    StageCallback callback;
    {
        const std::lock_guard lock(mutex_);
        callback = callbacks_.value(productId);
    }
    if (callback)
        callback(stage);
}

void FakeInstallEngine::pastDownload(const QString& productId)
{
    const std::lock_guard lock(mutex_);
    if (waiting_.contains(productId))
        waiting_[productId].pastDownload = true;
}

void FakeInstallEngine::finish(const QString& productId, std::optional<QString> failure)
{
    const std::lock_guard lock(mutex_);
    if (waiting_.contains(productId))
        waiting_[productId].end = std::move(failure);
    changed_.notify_all();
}

} // namespace hub
