#include "tests/testkit/InstallHarness.h"

#include "kit/api/InMemoryTokenPersistence.h"
#include "kit/platform/FileManager.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QUuid>
#include <unistd.h>

namespace hub::test {

namespace {

const QString downloadHost = QStringLiteral("bucket.objects.test");
const HostPolicy storePolicy{QStringLiteral("api.store.test"), {}, {QStringLiteral("objects.test")}};

} // namespace

InstallHarness::InstallHarness(std::shared_ptr<const CodeSigningService> signing, SignaturePolicy policy)
    : policy_(std::move(policy)), signing_(std::move(signing)), chain_(CertificateFactory::chain(downloadHost)),
      downloads(chain_)
{
    auto persistence = std::make_shared<InMemoryTokenPersistence>();
    persistence->save(SessionTokens{QStringLiteral("access"), QStringLiteral("refresh"),
                                    QDateTime::currentDateTimeUtc().addDays(1)});
    client = std::make_shared<MoonbaseClient>(storePolicy, store, persistence);
    for (const QString& folder : {home(), applications(), trash(), workRoot(), path(QStringLiteral("support"))})
        QDir().mkpath(folder);
    ledger = std::make_shared<InstallLedger>(path(QStringLiteral("support")));
}

Download InstallHarness::publish(const QString& key, const QString& name, qint64 storeSize,
                                 LoopbackTlsServer::Handler handler)
{
    const QByteArray served = "/files/" + key.toUtf8();
    downloads.route(served, std::move(handler));
    const QByteArray link = "/links/" + key.toUtf8();
    store->route("GET", link + '?', 200, R"({"location":"https://)" + downloadHost.toUtf8() + served + "\"}");
    return Download{name, key, Platform::mac, storeSize, QStringLiteral("https://api.store.test") + QString::fromUtf8(link)};
}

Download InstallHarness::publish(const QString& key, const QString& name, const QByteArray& content, qint64 storeSize)
{
    return publish(key, name, storeSize >= 0 ? storeSize : content.size(),
                   LoopbackTlsServer::file(content, {.etag = "\"" + key.toUtf8() + "\""}));
}

void InstallHarness::offer(const QByteArray& encodedId, const QByteArray& summaryJson)
{
    store->route("GET", "/api/customer/inventory/products/" + encodedId, [encodedId, summaryJson](const HttpRequest& request) {
        // The id must be the whole last segment, not a prefix of a longer one.
        if (!ScriptedTransport::pathOf(request.url).endsWith("/" + encodedId))
            return ScriptedTransport::response(404, R"({"title":"not here"})");
        return ScriptedTransport::response(200, summaryJson);
    });
}

InstallPipeline InstallHarness::pipeline() const
{
    const CodeVerifier verifier(policy_, signing_);
    auto downloader = std::make_shared<const Downloader>(
        storePolicy, PinnedTrust{{}, {{QStringLiteral("objects.test"), {chain_.root.spkiPin()}}}}, workRoot(),
        ConnectionOptions{.connectTo = {{downloadHost, downloads.port()}}, .trustStore = TrustStore::fromPem(chain_.root.pem())});
    const QString trashFolder = trash();
    BundleInstaller installer(verifier, home(), applications(), [trashFolder](const QString& item) -> QString {
        const QString folder = trashFolder + u'/' + QUuid::createUuid().toString(QUuid::WithoutBraces);
        QDir().mkpath(folder);
        const QString target = folder + u'/' + QFileInfo(item).fileName();
        FileManager::moveItem(item, target);
        return target;
    });
    installer.isRunning = [](const QString&) { return false; };
    return InstallPipeline(client, std::move(downloader), Extractor(verifier), std::move(installer), ledger, workRoot());
}

QString InstallHarness::vst3Folder() const { return home() + QStringLiteral("/Library/Audio/Plug-Ins/VST3"); }

QList<ArchiveEntry> InstallHarness::entriesOf(const QString& folder, const QByteArray& prefix)
{
    QList<ArchiveEntry> entries{ArchiveEntry::directory(prefix)};
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    QStringList paths;
    while (it.hasNext())
        paths.append(it.next());
    paths.sort();
    for (const QString& entry : paths) {
        const QFileInfo info(entry);
        const QByteArray name = prefix + '/' + QDir(folder).relativeFilePath(entry).toUtf8();
        const int mode = int(QFile::permissions(entry) & QFileDevice::ExeOwner ? 0755 : 0644);
        if (info.isSymLink()) {
            char target[4096];
            const ssize_t length = ::readlink(QFile::encodeName(entry).constData(), target, sizeof target);
            entries.append(ArchiveEntry::symlink(name, QByteArray(target, length > 0 ? length : 0)));
        } else if (info.isDir()) {
            entries.append(ArchiveEntry::directory(name));
        } else {
            QFile file(entry);
            file.open(QIODevice::ReadOnly);
            entries.append(ArchiveEntry::file(name, file.readAll(), mode));
        }
    }
    return entries;
}

} // namespace hub::test
