#pragma once

#include "app/model/PendingInstall.h"

#include <QObject>
#include <optional>

namespace hub {

class Accounts;
class Banners;

// The install queue. What is here now: the install that waits for a store
// sign-in, and the entry point every install goes through.
// SEAM: the jobs, their runs on the pipeline, the lock and the two-at-a-time rule
// are built on this part; until then an accepted request is announced through
// installRequested and nothing runs.
class InstallQueue : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<hub::PendingInstall> pendingInstall READ pendingInstall NOTIFY pendingInstallChanged)

public:
    static constexpr int maxConcurrentJobs = 2;

    InstallQueue(Accounts& accounts, Banners& banners, QObject* parent = nullptr);

    const std::optional<PendingInstall>& pendingInstall() const { return pendingInstall_; }
    void setPendingInstall(const std::optional<PendingInstall>& pending);

    // Without a connected store account the request waits in pendingInstall and the
    // sign-in sheet opens to connect the store; otherwise the product's chosen (or
    // first macOS) download is queued.
    void install(const StorefrontProduct& product, const std::optional<Download>& download = std::nullopt,
        bool verifyOnly = false);

signals:
    void pendingInstallChanged();
    // SEAM: an install accepted for queueing (until the queue itself exists).
    void installRequested(const hub::StorefrontProduct& product, const hub::Download& download, bool verifyOnly);

private:
    Accounts& accounts_;
    Banners& banners_;
    std::optional<PendingInstall> pendingInstall_;
};

} // namespace hub
