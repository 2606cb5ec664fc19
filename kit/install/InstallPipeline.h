#pragma once

#include "kit/api/ConnectionOptions.h"
#include "kit/api/MoonbaseClient.h"
#include "kit/downloads/Downloader.h"
#include "kit/install/BundleInstaller.h"
#include "kit/install/Extraction.h"
#include "kit/install/Extractor.h"
#include "kit/install/InstallLedger.h"
#include "kit/install/InstallRecord.h"
#include "kit/install/InstallRequest.h"
#include "kit/install/InstallStage.h"
#include "kit/install/WorkFolder.h"
#include "kit/security/PinnedTrust.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

namespace hub {

// The one road from a store download to placed, verified bundles and a ledger
// record: resolve the link, download (resuming when given resume data), check
// the size, unpack, verify every bundle, refuse downgrades, place, trash what
// the previous install had and this one has not, and save the record. What of
// the previous install stays (the Trash refused it, or it runs) is kept in the
// new record, and a note names what the Trash refused.
//
// Each request works in its own folder under workRoot, named after its download
// key, which the run claims (see WorkFolder); a second run on the same folder is
// refused at once. The download's partial file lies in that folder too. The folder
// is removed at the end, except when a stopped download leaves resume data; a run
// that finds it again keeps only the partial file its resume data name.
//
// Synchronous: every call blocks its caller. The stop token is honoured during
// the download (DownloadInterrupted, with resume data when there are bytes worth
// keeping) and once right after it (CancellationError); from verification on, the
// run goes to its end. A run given resume data that fails before the download
// server says anything about them (its work folder cannot be claimed, the link
// cannot be had, no connection, an error status) hands them back in
// DownloadInterrupted, Cause::failed, and keeps its folder. A copy shares the
// client, downloader and ledger. The caller holds the install lock around every run
// and uninstall; within the process, placing (from staging to the saved record) and
// uninstalling go one at a time.
class InstallPipeline {
public:
    // Called from the calling thread, on download progress too; must not block.
    using StageCallback = std::function<void(const InstallStage&)>;

    InstallPipeline(std::shared_ptr<MoonbaseClient> client, std::shared_ptr<const Downloader> downloader,
                    Extractor extractor, BundleInstaller installer, std::shared_ptr<InstallLedger> ledger, QString workRoot);

    // This deployment's pipeline over the given client and ledger: downloads under
    // the client's host policy and the given pins, the maker's signature policy,
    // bundles into the user's home and its "Applications" folder, work folders in
    // AppDirectories::work() unless `workRoot` names another (existing) folder. Throws
    // std::system_error when the folders cannot be made.
    static InstallPipeline standard(std::shared_ptr<MoonbaseClient> client, std::shared_ptr<InstallLedger> ledger,
                                    const PinnedTrust& trust = PinnedTrust::tavren(), const ConnectionOptions& options = {},
                                    const std::optional<QString>& workRoot = std::nullopt);

    // Installs the request's download and returns the saved record.
    InstallRecord run(const InstallRequest& request, const std::optional<DownloadResumeData>& resumeData,
                      const StageCallback& stage, std::stop_token stop = {}) const;
    // Everything of run up to the version floors; nothing is placed, trashed or recorded,
    // and nothing is kept for resuming (its DownloadInterrupted carries no resume data).
    void verify(const InstallRequest& request, const StageCallback& stage, std::stop_token stop = {}) const;
    // Moves the product's items to the Trash. Its record then lists only the items still in
    // place (see Removal::kept), and goes when there are none (its floors stay). Returns what
    // moved and what was left; nothing without a record.
    Removal uninstall(const QString& productId) const;
    // Removes the work folder of a request, with the partial file of its resume data,
    // unless a live run holds it.
    void discard(const InstallRequest& request) const;
    // Removes everything in workRoot that no live run holds (see WorkFolder::sweep).
    void sweep() const;

    // Downloads into `work` and returns the verified extraction.
    Extraction fetchAndVerify(const InstallRequest& request, const QString& work,
                              const std::optional<DownloadResumeData>& resumeData, const StageCallback& stage,
                              std::stop_token stop) const;
    // workRoot + the sanitised download key ("download" when nothing is left of it).
    QString workDirectory(const InstallRequest& request) const;
    // Throws InstallError::sizeMismatch unless the file has `expected` bytes; an
    // expected size below 1 checks nothing. File-system errors as std::system_error.
    static void checkSize(const QString& file, qint64 expected);

    std::shared_ptr<MoonbaseClient> client;
    std::shared_ptr<const Downloader> downloader;
    Extractor extractor;
    BundleInstaller installer;
    std::shared_ptr<InstallLedger> ledger;
    QString workRoot;
    // How long a run waits for workRoot while another process holds it (see WorkFolder).
    std::chrono::milliseconds claimPatience = WorkFolder::standardPatience;

private:
    template <typename Body>
    auto withWorkDirectory(const InstallRequest& request, const std::optional<DownloadResumeData>& resumeData, Body&& body) const;
    void checkFloors(const QList<std::pair<StagedBundle, VerifiedCode>>& verified) const;
};

} // namespace hub
