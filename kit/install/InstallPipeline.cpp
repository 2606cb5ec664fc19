#include "kit/install/InstallPipeline.h"

#include "kit/codesign/NativeCodeSigning.h"
#include "kit/install/ArtifactKind.h"
#include "kit/install/WorkFolder.h"
#include "kit/support/AppDirectories.h"
#include "kit/support/CancellationError.h"
#include "kit/support/InstallError.h"
#include "kit/support/PathSafety.h"
#include "kit/support/Version.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <cerrno>
#include <mutex>
#include <sys/stat.h>
#include <system_error>

namespace hub {

namespace {

const QString fallbackName = QStringLiteral("download");

// Placing into the destinations, trashing, rolling back and saving the ledger go one
// at a time in this process, whichever pipeline runs them: two runs placing bundles
// of the same name would otherwise clear each other's staged copies and undo each
// other's results. (The install lock keeps other processes out.)
std::mutex placements;

// A resumed run that failed before the download server said anything about the bytes of
// the earlier run: they still hold, and a retry goes on from them.
[[noreturn]] void keepForRetry(const DownloadResumeData& resumeData, const std::exception& error)
{
    const auto* own = dynamic_cast<const Error*>(&error);
    throw DownloadInterrupted(resumeData, DownloadInterrupted::Cause::failed,
                              own ? own->message() : QString::fromLocal8Bit(error.what()));
}

void report(const InstallPipeline::StageCallback& stage, const InstallStage& value)
{
    if (stage)
        stage(value);
}

} // namespace

InstallPipeline::InstallPipeline(std::shared_ptr<MoonbaseClient> client, std::shared_ptr<const Downloader> downloader,
                                 Extractor extractor, BundleInstaller installer, std::shared_ptr<InstallLedger> ledger,
                                 QString workRoot)
    : client(std::move(client)), downloader(std::move(downloader)), extractor(std::move(extractor)),
      installer(std::move(installer)), ledger(std::move(ledger)), workRoot(std::move(workRoot))
{
}

InstallPipeline InstallPipeline::standard(std::shared_ptr<MoonbaseClient> client, std::shared_ptr<InstallLedger> ledger,
                                          const PinnedTrust& trust, const ConnectionOptions& options,
                                          const std::optional<QString>& workRoot)
{
    const QString work = workRoot ? *workRoot : AppDirectories::work();
    auto downloader = std::make_shared<const Downloader>(client->policy(), trust, work, options);
    const CodeVerifier verifier(SignaturePolicy::tavren(), NativeCodeSigning::standard());
    return InstallPipeline(std::move(client), std::move(downloader), Extractor(verifier),
                           BundleInstaller(verifier, QDir::homePath(), BundleKind::applicationsDirectory(QDir::homePath())), std::move(ledger),
                           work);
}

QString InstallPipeline::workDirectory(const InstallRequest& request) const
{
    return workRoot + u'/' + PathSafety::sanitizedFileName(request.download.key, fallbackName);
}

template <typename Body>
auto InstallPipeline::withWorkDirectory(const InstallRequest& request, const std::optional<DownloadResumeData>& resumeData,
                                        Body&& body) const
{
    // A folder found again keeps only the partial file that the resume data names in it.
    const QString folder = workDirectory(request);
    const QFileInfo partial(resumeData ? resumeData->partialFile : QString());
    const QString keep = resumeData && QDir::cleanPath(partial.absolutePath()) == QDir::cleanPath(folder) ? partial.fileName() : QString();
    // Two runs whose keys sanitise alike would share the folder: the first one keeps it.
    std::optional<WorkFolder::Claim> claim = [&] {
        try {
            return WorkFolder(workRoot, claimPatience).claim(QDir(folder).dirName(), keep);
        } catch (const std::exception& error) {
            // Nothing in the folder was touched.
            if (!resumeData)
                throw;
            keepForRetry(*resumeData, error);
        }
    }();
    if (!claim)
        throw InstallError::alreadyProcessing();
    const QString work = claim->folder;
    try {
        auto result = body(work);
        claim->removeFolder();
        return result;
    } catch (const DownloadInterrupted& interrupted) {
        if (!interrupted.resumeData)
            claim->removeFolder();
        throw;
    } catch (...) {
        claim->removeFolder();
        throw;
    }
}

void InstallPipeline::discard(const InstallRequest& request) const
{
    WorkFolder(workRoot).discard(QDir(workDirectory(request)).dirName());
}

void InstallPipeline::sweep() const { WorkFolder(workRoot).sweep(); }

Extraction InstallPipeline::fetchAndVerify(const InstallRequest& request, const QString& work,
                                           const std::optional<DownloadResumeData>& resumeData,
                                           const StageCallback& stage, std::stop_token stop) const
{
    const qint64 size = request.download.size;
    if (size <= 0)
        throw InstallError::unsafeArchive(QStringLiteral("the store gave no size for this download"));

    report(stage, InstallStage::resolving());
    QUrl link;
    try {
        link = client->resolveDownload(request.download);
    } catch (const std::exception& error) {
        if (!resumeData)
            throw;
        keepForRetry(*resumeData, error);
    }
    const QString file = work + u'/' + PathSafety::sanitizedFileName(request.download.name, fallbackName);

    report(stage, InstallStage::downloading(0, size));
    // The partial file lives in the run's folder, which the run's claim covers.
    downloader->inFolder(work).download(
        link, resumeData, file, size,
        [&](qint64 received, qint64 expected) {
            report(stage, InstallStage::downloading(received, expected > 0 ? expected : size));
        },
        stop);
    // The last moment a stop counts; a finished download leaves nothing to resume.
    if (stop.stop_requested())
        throw CancellationError();

    report(stage, InstallStage::verifying());
    checkSize(file, size);
    const std::optional<ArtifactKind> kind = ArtifactKind::sniff(file);
    if (!kind)
        throw InstallError::unknownFormat();
    Extraction extraction = extractor.extract(file, *kind, work);
    if (extraction.bundles.isEmpty())
        throw InstallError::nothingToInstall();
    checkFloors(installer.verifyAll(extraction.bundles));
    return extraction;
}

void InstallPipeline::checkFloors(const QList<std::pair<StagedBundle, VerifiedCode>>& verified) const
{
    // No switch turns this off.
    for (const auto& [bundle, code] : verified) {
        const std::optional<QString> floor = ledger->floor(code.identifier);
        if (floor && code.version && Version(*code.version) < Version(*floor))
            throw InstallError::downgrade(bundle.name(), *floor, *code.version);
    }
}

InstallRecord InstallPipeline::run(const InstallRequest& request, const std::optional<DownloadResumeData>& resumeData,
                                   const StageCallback& stage, std::stop_token stop) const
{
    return withWorkDirectory(request, resumeData, [&](const QString& work) {
        const Extraction extraction = fetchAndVerify(request, work, resumeData, stage, stop);
        report(stage, InstallStage::installing());
        const std::lock_guard placing(placements);
        QList<InstalledItem> items = installer.install(extraction.bundles);
        QStringList notes = extraction.notes;

        if (const std::optional<InstallRecord> previous = ledger->record(request.productId)) {
            QSet<QString> placed;
            for (const InstalledItem& item : items)
                placed.insert(item.path);
            QList<InstalledItem> stale;
            for (const InstalledItem& item : previous->items) {
                if (!placed.contains(item.path))
                    stale.append(item);
            }
            // What stays behind is not this install's failure; the record keeps the product's own, the user reads why.
            const Removal left = installer.uninstall(stale);
            items.append(left.kept);
            if (const QString why = left.leftText(); !why.isEmpty())
                notes.append(why);
        }

        const InstallRecord record{request.productId, request.productName, request.version, request.download.key,
                                   QDateTime::currentDateTimeUtc(), items, notes};
        ledger->save(record);
        report(stage, InstallStage::installed());
        return record;
    });
}

void InstallPipeline::verify(const InstallRequest& request, const StageCallback& stage, std::stop_token stop) const
{
    withWorkDirectory(request, std::nullopt, [&](const QString& work) {
        try {
            return fetchAndVerify(request, work, std::nullopt, stage, stop);
        } catch (const DownloadInterrupted& interrupted) {
            // A check always starts afresh: nothing of it is kept.
            throw DownloadInterrupted(std::nullopt, interrupted.cause, interrupted.reason);
        }
    });
    report(stage, InstallStage::installed());
}

Removal InstallPipeline::uninstall(const QString& productId) const
{
    const std::lock_guard placing(placements);
    std::optional<InstallRecord> record = ledger->record(productId);
    if (!record)
        return {};
    const Removal removal = installer.uninstall(record->items);
    if (removal.kept.isEmpty()) {
        ledger->remove(productId);
    } else if (removal.kept != record->items) {
        record->items = removal.kept;
        ledger->save(*record);
    }
    return removal;
}

void InstallPipeline::checkSize(const QString& file, qint64 expected)
{
    struct stat status {};
    if (::stat(QFile::encodeName(file).constData(), &status) != 0)
        throw std::system_error(errno, std::generic_category(), "cannot read the size of the download");
    const qint64 actual = S_ISREG(status.st_mode) ? qint64(status.st_size) : -1;
    if (expected < 1 || actual == expected)
        return;
    throw InstallError::sizeMismatch(expected, actual);
}

} // namespace hub
