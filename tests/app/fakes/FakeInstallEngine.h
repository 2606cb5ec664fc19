#pragma once

#include "app/model/InstallEngine.h"

#include <QHash>
#include <QList>
#include <condition_variable>
#include <mutex>

namespace hub {

// An install engine whose runs wait, on the install pool, until the test ends
// them. Stopping a run that is still "downloading" ends it with DownloadInterrupted
// and resume data naming the product; once past the download a stop is ignored,
// as in the pipeline.
class FakeInstallEngine : public InstallEngine {
public:
    struct Call {
        InstallRequest request;
        bool verifyOnly = false;
        std::optional<DownloadResumeData> resumeData;
    };

    InstallRecord run(const InstallRequest& request, const std::optional<DownloadResumeData>& resumeData,
        const StageCallback& stage, std::stop_token stop) const override;
    void verify(const InstallRequest& request, const StageCallback& stage, std::stop_token stop) const override;
    Removal uninstall(const QString& productId) const override;

    // Every run and check so far, in the order they started.
    QList<Call> calls() const;
    // The products whose runs are waiting now.
    QStringList waiting() const;
    // Reports a stage through the product's latest run's callback (ended or not), from the test's thread.
    void report(const QString& productId, const InstallStage& stage);
    // From now on a stop no longer interrupts the product's waiting run.
    void pastDownload(const QString& productId);
    // Ends the product's waiting run: normally, or failing with the message.
    void finish(const QString& productId, std::optional<QString> failure = std::nullopt);

    QStringList systemCopies(const QList<InstalledItem>&) const override { return systemCopiesFound; }

    // What systemCopies answers for any items.
    QStringList systemCopiesFound;
    // The notes of each product's installs, set before the install starts.
    QHash<QString, QStringList> notes;
    // What uninstall answers, and the products it was asked for.
    Removal removal;
    mutable QStringList uninstalled;

    static DownloadResumeData resumeDataFor(const QString& productId);

private:
    struct Waiting {
        bool pastDownload = false;
        std::optional<std::optional<QString>> end; // set: finished, with a failure or none
    };
    void wait(const InstallRequest& request, bool verifyOnly, const std::optional<DownloadResumeData>& resumeData,
        const StageCallback& stage, std::stop_token stop) const;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    mutable QList<Call> calls_;
    mutable QHash<QString, Waiting> waiting_;
    mutable QHash<QString, StageCallback> callbacks_;
};

} // namespace hub
