#pragma once

#include "app/platform/HubRelease.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace hub {

// The feed of the hub's own releases: a JSON object {"releases": base64 of the listing,
// "signature": base64 Ed25519 over the listing's bytes}. The listing is
// {"releases": [{"version", "build", "url", "size", "signature"}, ...]}.
namespace HubReleaseFeed {

// Archives past this size are not offered.
inline constexpr qint64 maxArchiveBytes = 512LL * 1024 * 1024;

// The releases of a feed signed by `key` (raw Ed25519). Entries that are incomplete, too
// large, or whose archive is not plain HTTPS on `webHost` are left out. Throws
// HubReleaseError: notConfigured without a key, badSignature, malformed.
QList<HubRelease> read(const QByteArray& feed, const QByteArray& key, const QString& webHost);

// The newest release above `current`, if any.
std::optional<HubRelease> newest(const QList<HubRelease>& releases, const QString& current);

} // namespace HubReleaseFeed

} // namespace hub
