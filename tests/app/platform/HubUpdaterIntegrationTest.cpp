// The self-updater against the devstore's signed release feed: a newer release swapped in
// for a temporary self-contained install, refusals that change nothing, and the updater
// object over it.

#include "app/platform/HubReleaseError.h"
#include "app/platform/HubUpdater.h"
#include "tests/devstore/DevstoreTest.h"
#include "kit/support/Version.h"
#include "tests/testkit/FileTree.h"

#include <QFile>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hub;
using hub::test::DevstoreTest;

namespace {

// Hands requests on to the pinned transport and lets the test change the answers.
struct TamperingTransport : HTTPTransport {
    HttpResponse send(const HttpRequest& request) override
    {
        HttpResponse response = inner.send(request);
        if (tamper)
            tamper(request, response);
        return response;
    }
    URLSessionTransport inner{PinnedTrust::tavren()};
    std::function<void(const HttpRequest&, HttpResponse&)> tamper;
};

class SelfUpdate : public DevstoreTest {
protected:
    void SetUp() override
    {
        DevstoreTest::SetUp();
        if (IsSkipped())
            return;
        transport = std::make_shared<TamperingTransport>(); // after the deployment values point at the devstore
        write(QStringLiteral("opt/tavren-hub/bin/tavren-hub"), "#!/bin/sh\necho old\n", true);
        write(QStringLiteral("opt/tavren-hub/share/tavren-hub/info.json"),
              R"({"shortVersion": "0.0.9", "build": "1", "layout": "self-contained"})");
    }

    void write(const QString& path, const QByteArray& bytes, bool executable = false) const
    {
        QDir().mkpath(QFileInfo(box.filePath(path)).path());
        QFile file(box.filePath(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        if (executable)
            file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }

    std::shared_ptr<HubUpdateService> service(QByteArray key = Deployment::current().hubReleasesKey) const
    {
        const Deployment& values = Deployment::current();
        return std::make_shared<HubUpdateService>(
            transport, HubUpdateService::Source{values.hubReleasesFeed, std::move(key), values.webHost},
            InstallLocation::of(box.filePath(QStringLiteral("opt/tavren-hub/bin/tavren-hub"))), QStringLiteral("0.0.9"));
    }

    QStringList installed() const { return test::treeOf(box.filePath(QStringLiteral("opt"))); }
    static QString failureOf(const std::function<void()>& body)
    {
        try {
            body();
        } catch (const Error& error) {
            return error.message();
        }
        return QStringLiteral("(no failure)");
    }

    QTemporaryDir box;
    std::shared_ptr<TamperingTransport> transport;
};

TEST_F(SelfUpdate, SwapsANewerSignedReleaseIntoASelfContainedInstall)
{
    const std::shared_ptr<HubUpdateService> updates = service();
    ASSERT_TRUE(updates->canReplace());
    const std::optional<HubRelease> release = updates->check();
    ASSERT_TRUE(release);
    EXPECT_TRUE(Version(QStringLiteral("0.0.9")) < Version(release->version)) << release->version.toStdString();

    updates->install(*release);
    const InstallLocation swapped = InstallLocation::of(box.filePath(QStringLiteral("opt/tavren-hub/bin/tavren-hub")));
    EXPECT_EQ(swapped.info().value(QStringLiteral("shortVersion")).toString(), release->version);
    EXPECT_TRUE(QFileInfo(swapped.executable).isExecutable());
    EXPECT_TRUE(QFileInfo::exists(swapped.prefix + QStringLiteral("/lib/tavren-hub/tavren-hub-window.so")));
    QFile hub(swapped.executable);
    ASSERT_TRUE(hub.open(QIODevice::ReadOnly));
    EXPECT_NE(hub.read(32), QByteArray("#!/bin/sh\necho old\n"));
    EXPECT_EQ(QDir(box.filePath(QStringLiteral("opt"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"tavren-hub"}))
        << "nothing left beside the install";

    // Already the newest: nothing more is offered.
    EXPECT_EQ(HubUpdateService(transport, {Deployment::current().hubReleasesFeed, Deployment::current().hubReleasesKey,
                                           Deployment::current().webHost},
                               swapped, release->version)
                  .check(),
              std::nullopt);
}

TEST_F(SelfUpdate, BadSignaturesAreRefusedWithNothingChanged)
{
    const QStringList before = installed();
    const QByteArray otherKey = QByteArray(32, '\x42');
    EXPECT_EQ(failureOf([&] { service(otherKey)->check(); }), HubReleaseError(HubReleaseError::badSignature, "feed").message());
    EXPECT_EQ(failureOf([&] { service(QByteArray())->check(); }), HubReleaseError(HubReleaseError::notConfigured).message());

    // A listing changed on the way (a higher version offered) no longer matches its signature.
    transport->tamper = [](const HttpRequest& request, HttpResponse& response) {
        if (!request.url.endsWith("/releases.json"))
            return;
        QJsonObject envelope = QJsonDocument::fromJson(response.body).object();
        QByteArray listing = QByteArray::fromBase64(envelope.value("releases").toString().toLatin1());
        listing.replace("\"version\":\"", "\"version\":\"9");
        envelope.insert("releases", QString::fromLatin1(listing.toBase64()));
        response.body = QJsonDocument(envelope).toJson();
    };
    EXPECT_EQ(failureOf([&] { service()->check(); }), HubReleaseError(HubReleaseError::badSignature, "feed").message());

    // An archive changed on the way is refused before anything is unpacked.
    transport->tamper = [](const HttpRequest& request, HttpResponse& response) {
        if (request.url.endsWith(".zip"))
            response.body[response.body.size() - 1] = char(response.body.back() ^ 1);
    };
    const std::optional<HubRelease> release = service()->check();
    ASSERT_TRUE(release);
    EXPECT_EQ(failureOf([&] { service()->install(*release); }), HubReleaseError(HubReleaseError::badSignature, "archive").message());
    EXPECT_EQ(installed(), before);
    EXPECT_EQ(QDir(box.filePath(QStringLiteral("opt"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"tavren-hub"}));

    // An install that belongs to the system is never replaced.
    transport->tamper = nullptr;
    write(QStringLiteral("opt/tavren-hub/share/tavren-hub/info.json"), R"({"shortVersion": "0.0.9", "layout": "system"})");
    EXPECT_FALSE(service()->canReplace());
    EXPECT_TRUE(failureOf([&] { service()->install(*release); }).startsWith(u"The Tavren Hub update could not be installed"));
}

TEST_F(SelfUpdate, UpdaterInstallsOnACheckByHandAndOffersRelaunch)
{
    auto defaults = std::make_shared<QSettings>(box.filePath(QStringLiteral("defaults.ini")), QSettings::IniFormat);
    HubUpdater updater(service(), defaults, {std::chrono::hours(24), std::chrono::hours(24)});
    EXPECT_FALSE(updater.canCheck());
    QSignalSpy canCheck(&updater, &HubUpdater::canCheckChanged);
    ASSERT_TRUE(canCheck.wait());
    EXPECT_TRUE(updater.canCheck());

    QSignalSpy relaunch(&updater, &HubUpdater::readyToRelaunchChanged);
    updater.checkForUpdates();
    EXPECT_FALSE(updater.canCheck()) << "one check at a time";
    ASSERT_TRUE(relaunch.wait(120'000));
    EXPECT_TRUE(updater.readyToRelaunch());
    EXPECT_TRUE(updater.problem().isEmpty()) << updater.problem().toStdString();
    EXPECT_FALSE(updater.availableVersion().isEmpty());
    EXPECT_EQ(InstallLocation::of(box.filePath(QStringLiteral("opt/tavren-hub/bin/tavren-hub"))).info().value("shortVersion").toString(),
              updater.availableVersion());
    EXPECT_TRUE(updater.canCheck());
}

} // namespace
