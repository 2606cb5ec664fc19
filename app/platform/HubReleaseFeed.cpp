#include "app/platform/HubReleaseFeed.h"

#include "app/platform/Ed25519.h"
#include "app/platform/HubReleaseError.h"
#include "kit/security/HostPolicy.h"
#include "kit/support/Version.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace hub::HubReleaseFeed {

namespace {

std::optional<QByteArray> base64(const QJsonValue& value)
{
    if (!value.isString())
        return std::nullopt;
    const auto decoded = QByteArray::fromBase64Encoding(value.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? std::optional(*decoded) : std::nullopt;
}

std::optional<HubRelease> release(const QJsonObject& entry, const QString& webHost)
{
    HubRelease release;
    release.version = entry.value(QLatin1String("version")).toString();
    release.build = entry.value(QLatin1String("build")).toString();
    release.url = entry.value(QLatin1String("url")).toString();
    release.size = qint64(entry.value(QLatin1String("size")).toDouble(-1));
    const QUrl url(release.url, QUrl::StrictMode);
    if (release.version.isEmpty() || !HostPolicy::isPlainHTTPS(url) || url.host().toLower() != webHost)
        return std::nullopt;
    if (release.size <= 0 || release.size > maxArchiveBytes)
        return std::nullopt;
    const auto signature = base64(entry.value(QLatin1String("signature")));
    if (!signature || signature->size() != 64)
        return std::nullopt;
    release.signature = *signature;
    return release;
}

} // namespace

QList<HubRelease> read(const QByteArray& feed, const QByteArray& key, const QString& webHost)
{
    if (key.isEmpty())
        throw HubReleaseError(HubReleaseError::notConfigured);
    const QJsonObject envelope = QJsonDocument::fromJson(feed).object();
    const auto listing = base64(envelope.value(QLatin1String("releases")));
    const auto signature = base64(envelope.value(QLatin1String("signature")));
    if (!listing || !signature)
        throw HubReleaseError(HubReleaseError::malformed, QStringLiteral("the feed is not a release feed."));
    if (!Ed25519::verify(key, *listing, *signature))
        throw HubReleaseError(HubReleaseError::badSignature, QStringLiteral("feed"));

    const QJsonValue entries = QJsonDocument::fromJson(*listing).object().value(QLatin1String("releases"));
    if (!entries.isArray())
        throw HubReleaseError(HubReleaseError::malformed, QStringLiteral("the feed lists no releases."));
    QList<HubRelease> releases;
    for (const QJsonValue& entry : entries.toArray()) {
        if (const auto read = release(entry.toObject(), webHost.toLower()))
            releases << *read;
    }
    return releases;
}

std::optional<HubRelease> newest(const QList<HubRelease>& releases, const QString& current)
{
    std::optional<HubRelease> best;
    for (const HubRelease& release : releases) {
        if (Version(current) < Version(release.version) && (!best || Version(best->version) < Version(release.version)))
            best = release;
    }
    return best;
}

} // namespace hub::HubReleaseFeed
