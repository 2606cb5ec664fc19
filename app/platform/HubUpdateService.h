#pragma once

#include "app/platform/HubRelease.h"
#include "app/platform/InstallLocation.h"
#include "kit/api/HTTPTransport.h"

#include <QString>
#include <memory>
#include <optional>
#include <stop_token>

namespace hub {

// The work behind the self-updater, synchronous (call it off the main thread): read the
// signed feed over the pinned transport and pick a newer release; download its archive,
// check its signature, unpack it beside the install folder, check what came out, and swap
// it for the install folder in one rename. Only a self-contained install is replaced.
class HubUpdateService {
public:
    struct Source {
        QString feed;    // the feed's address
        QByteArray key;  // raw Ed25519 public key; empty: nothing is signed
        QString webHost; // where archives may come from
    };

    HubUpdateService(std::shared_ptr<HTTPTransport> transport, Source source, InstallLocation location, QString currentVersion);
    // Over this deployment's values, the pinned transport and this process's install.
    static std::shared_ptr<HubUpdateService> standard();

    bool isConfigured() const { return !source_.key.isEmpty() && !source_.feed.isEmpty(); }
    // Whether install() may replace this install (otherwise a newer release is only told).
    bool canReplace() const { return location_.isSelfContained(); }
    const QString& currentVersion() const { return current_; }
    const InstallLocation& location() const { return location_; }

    // The newest signed release above the running version. Throws HubReleaseError.
    // Stopping ends the request under way (unreachable).
    std::optional<HubRelease> check(std::stop_token stop = {}) const;
    // Puts the release in place of the install folder; on failure nothing has changed.
    // Throws HubReleaseError; stopped before the swap, nothing changes either.
    void install(const HubRelease& release, std::stop_token stop = {}) const;

private:
    QByteArray fetch(const QString& url, qint64 maxBytes, std::chrono::milliseconds timeout, std::stop_token stop) const;
    void checkUnpacked(const QString& root, const HubRelease& release) const;

    std::shared_ptr<HTTPTransport> transport_;
    Source source_;
    InstallLocation location_;
    QString current_;
};

} // namespace hub
