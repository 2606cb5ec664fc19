#pragma once

#include "app/model/AppModel.h"
#include "kit/api/InMemoryTokenPersistence.h"
#include "kit/downloads/Downloader.h"
#include "tests/app/fakes/FakeDesktop.h"
#include "tests/app/fakes/FakeInstallEngine.h"
#include "tests/app/fakes/FakeSleeper.h"
#include "tests/app/fakes/FakeStore.h"

#include <QTemporaryDir>
#include <QTimeZone>
#include <memory>

namespace hub {

// Everything a model test builds the model on: a scripted store, a fake clock and
// sleeper, a recorded desktop, and the ledger, lock, snapshots and user defaults
// in one temporary folder. Several models may be made in turn over the same files.
class ModelHarness {
    // First, so it outlives the members that still write into it as they go (the user defaults).
    QTemporaryDir root_;

public:
    ModelHarness();

    // Holds a store session, so the client counts as signed in.
    void holdStoreSession();
    // Holds a Tavren ID session, so the identity client counts as signed in.
    void holdIdentitySession();
    // The identity service answers for `profile`: the profile, two devices and one purchase.
    void serveIdentityAccount(const TavrenIDProfile& profile);
    // Serves the extras feed.
    void serveExtras(const QByteArray& feed);
    // Fresh Services over the fakes and the harness's files.
    Services services();
    std::unique_ptr<AppModel> makeModel();
    // The real install pipeline over `client`, placing into the harness's home and Applications
    // folders, its Trash a folder of the harness; the ledger in the support folder.
    void useRealPipeline(Services& services, const std::shared_ptr<MoonbaseClient>& client,
        PinnedExchange::Timeouts downloadTimeouts = Downloader::standardTimeouts);
    // The texts of the banners on screen, oldest first.
    static QStringList bannerTexts(const AppModel& model);

    QString supportFolder() const { return root_.filePath(QStringLiteral("support")); }
    QString snapshotsFolder() const { return root_.filePath(QStringLiteral("snapshots")); }
    QString path(const QString& name) const { return root_.filePath(name); }
    SnapshotCache snapshots() const { return SnapshotCache(snapshotsFolder()); }

    FakeStore store;
    FakeSleeper sleeper;
    FakeDesktop desktop;
    // Runs wait until the test ends them; none: installs fail as without a work folder.
    std::shared_ptr<FakeInstallEngine> engine = std::make_shared<FakeInstallEngine>();
    std::shared_ptr<InMemoryTokenPersistence> storeTokens = std::make_shared<InMemoryTokenPersistence>();
    // The identity service (under "/id" and "/auth") and the extras feed, scripted.
    std::shared_ptr<ScriptedTransport> identity = std::make_shared<ScriptedTransport>();
    std::shared_ptr<InMemoryTokenPersistence> identityTokens = std::make_shared<InMemoryTokenPersistence>();
    std::shared_ptr<ScriptedTransport> feed = std::make_shared<ScriptedTransport>();
    std::shared_ptr<QSettings> settings;
    QStringList arguments{QStringLiteral("tavren-hub")};
    QDateTime now = QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC);
    bool withSnapshots = true;
    bool withLock = true;
};

} // namespace hub
