#include "devstore/HubReleases.h"

#include "tests/testkit/ZipBuilder.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <memory>
#include <openssl/evp.h>
#include <stdexcept>

namespace hub::devstore {

namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

Key releaseKey(const QByteArray& secret)
{
    const QByteArray seed = QCryptographicHash::hash("tavren-hub releases\n" + secret, QCryptographicHash::Sha256);
    Key key(EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(seed.constData()),
                                         size_t(seed.size())),
            &EVP_PKEY_free);
    if (!key)
        throw std::runtime_error("cannot make the release key");
    return key;
}

QByteArray sign(const QByteArray& secret, const QByteArray& message)
{
    const Key key = releaseKey(secret);
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    QByteArray signature(64, '\0');
    size_t length = size_t(signature.size());
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1
        || EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                          reinterpret_cast<const unsigned char*>(message.constData()), size_t(message.size()))
               != 1)
        throw std::runtime_error("cannot sign the release");
    return signature;
}

QJsonObject buildInfo()
{
    QFile file(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/tavren-hub/info.json"));
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

HubReleases::HubReleases(DevstoreHosts hosts, QByteArray secret) : hosts_(std::move(hosts)), secret_(std::move(secret)) {}

QByteArray HubReleases::publicKey(const QByteArray& secret)
{
    const Key key = releaseKey(secret);
    QByteArray raw(32, '\0');
    size_t length = size_t(raw.size());
    if (EVP_PKEY_get_raw_public_key(key.get(), reinterpret_cast<unsigned char*>(raw.data()), &length) != 1)
        throw std::runtime_error("cannot read the release key");
    return raw;
}

QString HubReleases::version() const
{
    QStringList parts = buildInfo().value(QStringLiteral("shortVersion")).toString(QStringLiteral("0.0.0")).split(u'.');
    parts.last() = QString::number(parts.last().toInt() + 1);
    return parts.join(u'.');
}

std::optional<DevstoreReply> HubReleases::handle(const DevstoreRequest& request)
{
    const bool feed = request.is("GET", {u"hub", u"releases.json"});
    const bool archive = request.segments.size() == 3 && request.segments[0] == u"hub" && request.segments[1] == u"downloads";
    if (!feed && !archive)
        return std::nullopt;
    if (feed_.isEmpty())
        build();
    DevstoreReply reply;
    if (feed) {
        reply.headers = {{"Content-Type", "application/json"}};
        reply.body = feed_;
    } else if (request.segments[2] == QStringLiteral("tavren-hub-%1.zip").arg(version())) {
        reply.headers = {{"Content-Type", "application/zip"}};
        reply.body = archive_;
    } else {
        reply = DevstoreReply::empty(404);
    }
    return reply;
}

void HubReleases::build()
{
    const QString here = QCoreApplication::applicationDirPath();
    const QString build = QString::number(buildInfo().value(QStringLiteral("build")).toString().toInt() + 1);
    const QJsonObject info{{"shortVersion", version()}, {"build", build}, {"layout", "self-contained"}};

    // The hub built beside the devstore (a stand-in when it is not built), laid out as installed.
    QByteArray hub = contents(here + QStringLiteral("/tavren-hub"));
    QList<test::ArchiveEntry> entries{test::ArchiveEntry::file("share/tavren-hub/info.json", QJsonDocument(info).toJson(), 0644)};
    if (hub.isEmpty()) {
        hub = "#!/bin/sh\necho 'Tavren Hub " + version().toUtf8() + "'\n";
        entries << test::ArchiveEntry::file("lib/tavren-hub/tavren-hub-window.so", "stand-in", 0644);
    }
    entries << test::ArchiveEntry::file("bin/tavren-hub", hub, 0755);
    const QList<std::pair<QString, QByteArray>> built{
        {here + QStringLiteral("/../lib/tavren-hub/tavren-hub-window.so"), "lib/tavren-hub/tavren-hub-window.so"},
        {here + QStringLiteral("/../libexec/tavren-hub/pkgutil"), "libexec/tavren-hub/pkgutil"},
        {here + QStringLiteral("/../libexec/tavren-hub/ditto"), "libexec/tavren-hub/ditto"},
        {here + QStringLiteral("/../libexec/tavren-hub/hdiutil"), "libexec/tavren-hub/hdiutil"},
        {here + QStringLiteral("/../install/com.tavren.hub.desktop"), "share/applications/com.tavren.hub.desktop"},
        {QStringLiteral(HUB_TEST_SOURCE_DIR "/../app/resources/desktop/com.tavren.hub.svg"),
         "share/icons/hicolor/scalable/apps/com.tavren.hub.svg"},
    };
    for (const auto& [from, path] : built) {
        const QByteArray bytes = contents(from);
        if (!bytes.isEmpty())
            entries << test::ArchiveEntry::file(path, bytes, QFileInfo(from).isExecutable() ? 0755 : 0644);
    }
    // Every folder above an entry, before the entries.
    QList<QByteArray> folders;
    for (const test::ArchiveEntry& entry : std::as_const(entries)) {
        for (qsizetype slash = entry.path.indexOf('/'); slash > 0; slash = entry.path.indexOf('/', slash + 1)) {
            if (!folders.contains(entry.path.left(slash)))
                folders << entry.path.left(slash);
        }
    }
    for (auto it = folders.crbegin(); it != folders.crend(); ++it)
        entries.prepend(test::ArchiveEntry::directory(*it));

    QTemporaryDir scratch;
    const QString zip = scratch.filePath(QStringLiteral("release.zip"));
    test::ZipBuilder(zip).setStored(true).add(entries).finish();
    archive_ = contents(zip);

    const QString url = QStringLiteral("https://%1/hub/downloads/tavren-hub-%2.zip").arg(hosts_.web, version());
    const QJsonObject release{{"version", version()},
                              {"build", build},
                              {"url", url},
                              {"size", double(archive_.size())},
                              {"signature", QString::fromLatin1(sign(secret_, archive_).toBase64())}};
    const QByteArray listing = QJsonDocument(QJsonObject{{"releases", QJsonArray{release}}}).toJson(QJsonDocument::Compact);
    feed_ = QJsonDocument(QJsonObject{{"releases", QString::fromLatin1(listing.toBase64())},
                                      {"signature", QString::fromLatin1(sign(secret_, listing).toBase64())}})
                .toJson(QJsonDocument::Compact);
}

} // namespace hub::devstore
