#pragma once

#include <QByteArray>
#include <QString>

namespace hub {

// One release of the hub itself, as its signed feed lists it.
struct HubRelease {
    QString version;      // e.g. "0.2.0"
    QString build;        // the build number
    QString url;          // the release archive (a zip of the whole install folder), on the web host
    qint64 size = 0;      // the archive's length in bytes
    QByteArray signature; // Ed25519 over the archive's bytes, by the feed's key

    bool operator==(const HubRelease&) const = default;
};

} // namespace hub
