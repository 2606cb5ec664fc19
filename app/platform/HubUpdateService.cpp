#include "app/platform/HubUpdateService.h"

#include "app/platform/Ed25519.h"
#include "app/platform/HubReleaseError.h"
#include "app/platform/HubReleaseFeed.h"
#include "kit/api/URLSessionTransport.h"
#include "kit/deployment/Deployment.h"
#include "kit/platform/FileManager.h"
#include "kit/platform/SystemTools.h"
#include "kit/security/PinnedTrust.h"
#include "kit/support/AtomicFile.h"
#include "kit/support/Subprocess.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>

namespace hub {

namespace {

constexpr qint64 maxFeedBytes = 1024 * 1024;
constexpr double unpackTimeoutSeconds = 600;

// A folder of our own beside `prefix` (so that the swap is one rename), made with mkdtemp.
QString stagingFolder(const QString& prefix)
{
    const QFileInfo info(prefix);
    QByteArray pattern = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".update-XXXXXX"));
    if (!mkdtemp(pattern.data()))
        throw HubReleaseError(HubReleaseError::cannotReplace, QString::fromLocal8Bit(std::strerror(errno)));
    return QFile::decodeName(pattern);
}

} // namespace

HubUpdateService::HubUpdateService(std::shared_ptr<HTTPTransport> transport, Source source, InstallLocation location,
                                   QString currentVersion)
    : transport_(std::move(transport)), source_(std::move(source)), location_(std::move(location)), current_(std::move(currentVersion))
{
}

std::shared_ptr<HubUpdateService> HubUpdateService::standard()
{
    const Deployment& values = Deployment::current();
    const InstallLocation location = InstallLocation::current();
    return std::make_shared<HubUpdateService>(std::make_shared<URLSessionTransport>(PinnedTrust::tavren()),
                                              Source{values.hubReleasesFeed, values.hubReleasesKey, values.webHost}, location,
                                              location.info().value(QStringLiteral("shortVersion")).toString());
}

QByteArray HubUpdateService::fetch(const QString& url, qint64 maxBytes, std::chrono::milliseconds timeout) const
{
    HttpRequest request;
    request.url = url.toUtf8();
    request.maxBodyBytes = maxBytes;
    request.timeout = std::min<std::chrono::milliseconds>(timeout, std::chrono::seconds(30));
    request.deadline = timeout;
    HttpResponse response;
    try {
        response = transport_->send(request);
    } catch (const Error& error) {
        throw HubReleaseError(HubReleaseError::unreachable, error.message());
    }
    if (response.status != 200)
        throw HubReleaseError(HubReleaseError::unreachable, QStringLiteral("the server answered %1.").arg(response.status));
    return response.body;
}

std::optional<HubRelease> HubUpdateService::check() const
{
    if (!isConfigured())
        throw HubReleaseError(HubReleaseError::notConfigured);
    const QByteArray feed = fetch(source_.feed, maxFeedBytes, std::chrono::seconds(30));
    return HubReleaseFeed::newest(HubReleaseFeed::read(feed, source_.key, source_.webHost), current_);
}

void HubUpdateService::install(const HubRelease& release) const
{
    if (!canReplace())
        throw HubReleaseError(HubReleaseError::cannotReplace, QStringLiteral("this install belongs to the system."));
    const QByteArray archive = fetch(release.url, release.size, std::chrono::minutes(30));
    if (archive.size() != release.size)
        throw HubReleaseError(HubReleaseError::malformed, QStringLiteral("the archive is not as long as the feed says."));
    if (!Ed25519::verify(source_.key, archive, release.signature))
        throw HubReleaseError(HubReleaseError::badSignature, QStringLiteral("archive"));

    const QString staging = stagingFolder(location_.prefix);
    const QString root = staging + QStringLiteral("/root");
    try {
        const QString zip = staging + QStringLiteral("/release.zip");
        AtomicFile::write(zip, archive);
        try {
            Subprocess::check(SystemTools::installed().ditto, {QStringLiteral("-x"), QStringLiteral("-k"), zip, root},
                              unpackTimeoutSeconds);
        } catch (const Error& error) {
            throw HubReleaseError(HubReleaseError::malformed, error.message());
        }
        checkUnpacked(root, release);
        // One rename swaps the two folders: the old install now sits in the staging folder.
        if (renameat2(AT_FDCWD, QFile::encodeName(root).constData(), AT_FDCWD, QFile::encodeName(location_.prefix).constData(),
                      RENAME_EXCHANGE)
            != 0)
            throw HubReleaseError(HubReleaseError::cannotReplace, QString::fromLocal8Bit(std::strerror(errno)));
    } catch (const std::system_error& error) {
        FileManager::removeItem(staging);
        throw HubReleaseError(HubReleaseError::cannotReplace, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        FileManager::removeItem(staging);
        throw;
    }
    FileManager::removeItem(staging);
}

void HubUpdateService::checkUnpacked(const QString& root, const HubRelease& release) const
{
    const QFileInfo executable(root + QStringLiteral("/bin/tavren-hub"));
    const QFileInfo window(root + QStringLiteral("/lib/tavren-hub/tavren-hub-window.so"));
    if (!executable.isFile() || executable.isSymLink() || !executable.isExecutable() || !window.isFile() || window.isSymLink())
        throw HubReleaseError(HubReleaseError::malformed, QStringLiteral("the archive holds no complete Tavren Hub."));
    const InstallLocation unpacked = InstallLocation::of(executable.filePath());
    const QJsonObject info = unpacked.info();
    if (info.value(QStringLiteral("shortVersion")).toString() != release.version
        || info.value(QStringLiteral("layout")).toString() != u"self-contained")
        throw HubReleaseError(HubReleaseError::malformed, QStringLiteral("the archive is not release %1.").arg(release.version));
}

} // namespace hub
