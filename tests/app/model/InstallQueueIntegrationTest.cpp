// The install queue on the real pipeline against the devstore: two installs and a
// check, one install paused half-way and resumed; a stalled download that fails and
// is retried, once in vain.

#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/ModelHarness.h"
#include "tests/devstore/DevstoreTest.h"

#include <QDir>
#include <QFileInfo>

using namespace hub;
using Kind = InstallStage::Kind;

namespace {

class QueueOnDevstore : public test::DevstoreTest {
protected:
    void SetUp() override
    {
        DevstoreTest::SetUp();
        if (IsSkipped())
            return;
        client = DevstoreTest::client();
        client->signIn(QStringLiteral("demo@tavren.test"), QStringLiteral("demo-pass-1"));
        makeModel(Downloader::standardTimeouts);
    }

    void makeModel(PinnedExchange::Timeouts downloadTimeouts)
    {
        model.reset();
        Services services = harness.services();
        harness.useRealPipeline(services, client, downloadTimeouts);
        model = std::make_unique<AppModel>(std::move(services));
        model->accounts().setStoreUser(client->currentUser());
        model->catalog().setStorefront(client->storefront());
    }

    void setFault(const QString& fault) const
    {
        store->control("POST", QStringLiteral("/__devstore/download-fault"), {{"fault", fault}});
    }

    StorefrontProduct product(const QString& id) const { return *model->catalog().storeProduct(id); }
    Kind kindOf(const QString& id) const { return model->queue().job(id)->stage().kind; }

    ModelHarness harness;
    std::shared_ptr<MoonbaseClient> client;
    std::unique_ptr<AppModel> model;
};

} // namespace

TEST_F(QueueOnDevstore, TwoInstallsAndACheckWithAPauseInBetween)
{
    InstallQueue& queue = model->queue();
    const StorefrontProduct compressor = product("tv-compressor");
    const StorefrontProduct gate = product("tv-gate");
    const StorefrontProduct reverb = product("tv-reverb");

    // The download stalls half-way; pausing keeps what came.
    setFault("stall");
    queue.install(compressor);
    InstallJob* paused = queue.job("tv-compressor");
    ASSERT_TRUE(test::eventually([&] { return paused->stage().kind == Kind::downloading && paused->stage().received > 0; }));
    paused->pause();
    const bool stopped = test::eventually([&] { return paused->stage().kind == Kind::paused; });
    setFault("none");
    ASSERT_TRUE(stopped);
    ASSERT_TRUE(paused->resumeData().has_value());
    EXPECT_GT(paused->resumeData()->offset, 0);

    queue.install(gate);
    queue.install(reverb, std::nullopt, true);
    queue.resume(paused);
    ASSERT_TRUE(test::eventually([&] {
        for (const InstallJob* job : queue.jobs()) {
            if (job->isRunning() || job->stage().kind == Kind::queued)
                return false;
        }
        return true;
    }));
    for (const char* id : {"tv-compressor", "tv-gate", "tv-reverb"})
        EXPECT_EQ(kindOf(id), Kind::installed) << id << ": " << queue.job(id)->stage().message.toStdString();

    QStringList installed;
    for (const InstallRecord& record : model->library().installed())
        installed.append(record.productId);
    installed.sort();
    EXPECT_EQ(installed, (QStringList{"tv-compressor", "tv-gate"})) << "a check records nothing";
    EXPECT_EQ(InstallLedger(harness.supportFolder()).all().size(), 2);
    const QStringList banners = ModelHarness::bannerTexts(*model);
    EXPECT_TRUE(banners.contains(reverb.name + " " + *reverb.currentVersion + " passed every check.")) << banners.join(" | ").toStdString();
    EXPECT_TRUE(banners.contains(compressor.name + " " + *compressor.currentVersion + " is installed."));
    EXPECT_TRUE(QFileInfo::exists(harness.path("home/Library/Audio/Plug-Ins/VST3"))) << "bundles were placed";
}

TEST_F(QueueOnDevstore, AStalledDownloadFailsWithItsReasonAndRetryContinuesIt)
{
    makeModel({std::chrono::seconds(10), std::chrono::seconds(1), std::chrono::seconds(60)});
    InstallQueue& queue = model->queue();
    const StorefrontProduct compressor = product("tv-compressor");
    setFault("stall");
    queue.install(compressor);
    InstallJob* job = queue.job("tv-compressor");
    const bool failed = test::eventually([&] { return job->stage().kind == Kind::failed; });
    setFault("none");
    ASSERT_TRUE(failed) << job->stage().message.toStdString();
    const QString reason = QStringLiteral("The connection was lost. Retry continues the download.");
    EXPECT_EQ(job->stage().message, reason);
    EXPECT_TRUE(ModelHarness::bannerTexts(*model).contains(compressor.name + QStringLiteral(": ") + reason));
    ASSERT_TRUE(job->resumeData().has_value());
    const double kept = double(job->resumeData()->offset) / double(compressor.macDownloads().first().size);
    EXPECT_GT(kept, 0);

    // A Retry that the server fails before sending a byte keeps them for the next one.
    const qint64 offset = job->resumeData()->offset;
    setFault("server-error");
    queue.resume(job);
    const bool refused = test::eventually([&] { return job->stage().kind == Kind::failed && !job->isRunning(); });
    setFault("none");
    ASSERT_TRUE(refused);
    EXPECT_EQ(job->stage().message, QStringLiteral("The download server returned 500. Retry continues the download."));
    ASSERT_TRUE(job->resumeData().has_value());
    EXPECT_EQ(job->resumeData()->offset, offset);

    // Retry goes on from the kept bytes.
    double lowest = 1;
    QObject::connect(job, &InstallJob::fractionChanged, job, [&] {
        if (job->fraction() > 0)
            lowest = std::min(lowest, job->fraction());
    });
    queue.resume(job);
    ASSERT_TRUE(test::eventually([&] { return job->stage().kind == Kind::installed; })) << job->stage().message.toStdString();
    EXPECT_GE(lowest, kept - 0.01);
}

// Cancel keeps nothing to resume: neither a paused job's partial file and folder, nor
// what a running job's download had received.
TEST_F(QueueOnDevstore, CancelLeavesAnEmptyWorkFolder)
{
    InstallQueue& queue = model->queue();
    setFault("stall");
    queue.install(product("tv-compressor"));
    queue.install(product("tv-gate"));
    InstallJob* paused = queue.job("tv-compressor");
    InstallJob* running = queue.job("tv-gate");
    ASSERT_TRUE(test::eventually([&] {
        return paused->stage().received > 0 && running->stage().kind == Kind::downloading && running->stage().received > 0;
    }));
    paused->pause();
    ASSERT_TRUE(test::eventually([&] { return paused->stage().kind == Kind::paused; }));
    ASSERT_FALSE(QDir(harness.path("work")).isEmpty());
    queue.cancel(paused);
    queue.cancel(running);
    const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
    const bool emptied = test::eventually([&] { return QDir(harness.path("work")).entryList(all) == QStringList{".claims"}
                                                       && QDir(harness.path("work/.claims")).isEmpty(); });
    setFault("none");
    EXPECT_TRUE(emptied) << QDir(harness.path("work")).entryList(all).join(' ').toStdString();
    EXPECT_TRUE(queue.jobs().isEmpty());
}
