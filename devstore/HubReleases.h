#pragma once

#include "devstore/DevstoreHosts.h"
#include "devstore/DevstoreReply.h"
#include "devstore/DevstoreRequest.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace hub::devstore {

// The hub's own releases on the web host: a feed signed with the devstore's release key
// (/hub/releases.json) offering one newer build, whose archive (a zip of a self-contained
// install: the hub built beside the devstore with its window module, tools, desktop entry and
// icon, and an information file with the newer version) is served under /hub/downloads/. The key is derived from the devstore's
// secret, so it lasts as long as the state folder. Both are made on the first request.
class HubReleases {
public:
    HubReleases(DevstoreHosts hosts, QByteArray secret);

    // The release key's raw Ed25519 public half, for the deployment file.
    static QByteArray publicKey(const QByteArray& secret);

    // The feed or the archive; nothing for any other path.
    std::optional<DevstoreReply> handle(const DevstoreRequest& request);

    // The version offered: the build's own with its last number one higher.
    QString version() const;

private:
    void build();

    DevstoreHosts hosts_;
    QByteArray secret_;
    QByteArray archive_;
    QByteArray feed_;
};

} // namespace hub::devstore
