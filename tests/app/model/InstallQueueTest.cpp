// The install queue as a state machine over a scripted engine and the real lock file.

#include "app/model/PipelineEngine.h"
#include "kit/platform/TrashError.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"
#include "tests/testkit/SealedBundle.h"

#include <QDir>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace hub;
using test::await;
using test::eventually;
using Kind = InstallStage::Kind;

namespace {

const StorefrontProduct alphaProduct = Fixtures::product("a", "Alpha");
const StorefrontProduct betaProduct = Fixtures::product("b", "Beta");
const StorefrontProduct gammaProduct = Fixtures::product("c", "Gamma");
const StorefrontProduct deltaProduct = Fixtures::product("d", "Delta");

QStringList ids(const QList<InstallJob*>& jobs)
{
    QStringList list;
    for (const InstallJob* job : jobs)
        list.append(job->id());
    return list;
}

Kind kindOf(const AppModel& model, const QString& id)
{
    const InstallJob* job = const_cast<AppModel&>(model).queue().job(id);
    return job ? job->stage().kind : Kind::queued;
}

// Whether another holder (the background updater) could take the install lock now.
bool lockIsFree(const ModelHarness& harness)
{
    InstallLock probe(harness.supportFolder());
    const bool free = probe.tryLock();
    probe.unlock();
    return free;
}

// A signed-in model over the scripted engine.
class InstallQueueTest : public ::testing::Test {
protected:
    InstallQueueTest() { model->accounts().setStoreUser(Fixtures::user("ada@tavren.test")); }

    // Installs each product and waits until the engine runs the expected ones.
    void start(const QList<StorefrontProduct>& products, const QStringList& running)
    {
        for (const StorefrontProduct& product : products)
            queue.install(product);
        ASSERT_TRUE(eventually([&] { return engine.waiting() == running; }));
    }

    ModelHarness harness;
    std::unique_ptr<AppModel> model = harness.makeModel();
    InstallQueue& queue = model->queue();
    FakeInstallEngine& engine = *harness.engine;
};

} // namespace

TEST_F(InstallQueueTest, RunsTwoAtATimeOldestFirstAndReportsEachEnd)
{
    start({alphaProduct, betaProduct, gammaProduct}, {"a", "b"});
    EXPECT_EQ(ids(queue.jobs()), (QStringList{"c", "b", "a"})) << "newest first";
    EXPECT_FALSE(queue.job("c")->isRunning());
    EXPECT_EQ(queue.job("a")->request(), (InstallRequest{"a", "Alpha", "1.0.0", alphaProduct.macDownloads().first()}));

    // A started job reads queued until its first report, and still blocks a second press.
    InstallJob* first = queue.job("a");
    EXPECT_EQ(first->stage().kind, Kind::queued);
    queue.install(alphaProduct, std::nullopt, true);
    model->refresh().updateAll();
    EXPECT_EQ(queue.job("a"), first);
    EXPECT_FALSE(first->verifyOnly());

    int transitions = 0, ticks = 0;
    QObject::connect(first, &InstallJob::stageChanged, [&] { ++transitions; });
    QObject::connect(first, &InstallJob::fractionChanged, [&] { ++ticks; });
    for (qint64 received : {100, 101, 102, 500})
        engine.report("a", InstallStage::downloading(received, 1000));
    ASSERT_TRUE(eventually([&] { return first->stage() == InstallStage::downloading(500, 1000); }));
    EXPECT_EQ(first->fraction(), 0.5);
    EXPECT_EQ(transitions, 1) << "one change of stage, not one per report";
    EXPECT_LE(ticks, 2);

    // Frontmost: a banner only. In the background: a notification as well; failures never notify.
    engine.finish("a");
    ASSERT_TRUE(eventually([&] { return engine.waiting() == QStringList{"b", "c"}; }));
    EXPECT_EQ(kindOf(*model, "a"), Kind::installed);
    harness.desktop.frontmost = false;
    engine.finish("b", "The file is damaged.");
    ASSERT_TRUE(eventually([&] { return kindOf(*model, "b") == Kind::failed; }));
    engine.finish("c");
    ASSERT_TRUE(eventually([&] { return kindOf(*model, "c") == Kind::installed; }));
    EXPECT_EQ(ModelHarness::bannerTexts(*model),
        (QStringList{"Alpha 1.0.0 is installed.", "Beta: The file is damaged.", "Gamma 1.0.0 is installed."}));
    EXPECT_EQ(harness.desktop.notifications,
        (QList<std::pair<QString, QString>>{{"Gamma is installed", "Version 1.0.0 is ready to use."}}));
    EXPECT_EQ(harness.desktop.notificationLinks, QStringList{"tavren-hub:product/c"}) << "a click opens the product";
    EXPECT_TRUE(lockIsFree(harness));
}

TEST_F(InstallQueueTest, PauseResumeRetryCancelAndClear)
{
    start({alphaProduct, betaProduct, gammaProduct}, {"a", "b"});

    // Pausing a download keeps its resume data, shows nothing and frees the slot.
    queue.job("a")->pause();
    ASSERT_TRUE(eventually([&] { return engine.waiting() == QStringList{"b", "c"}; }));
    EXPECT_EQ(kindOf(*model, "a"), Kind::paused);
    EXPECT_EQ(queue.job("a")->resumeData(), FakeInstallEngine::resumeDataFor("a"));
    EXPECT_TRUE(model->banners().banners().isEmpty());

    // Resumed, it waits for a slot and then continues where it stopped.
    queue.resume(queue.job("a"));
    EXPECT_EQ(kindOf(*model, "a"), Kind::queued);
    engine.finish("b");
    ASSERT_TRUE(eventually([&] { return engine.waiting() == QStringList{"a", "c"}; }));
    EXPECT_EQ(engine.calls().last().resumeData, FakeInstallEngine::resumeDataFor("a"));

    // A failed job is retried the same way; nothing is retried by itself.
    engine.finish("c", "Broken.");
    ASSERT_TRUE(eventually([&] { return kindOf(*model, "c") == Kind::failed; }));
    EXPECT_EQ(engine.waiting(), QStringList{"a"});
    queue.resume(queue.job("c"));
    ASSERT_TRUE(eventually([&] { return engine.waiting() == QStringList{"a", "c"}; }));
    EXPECT_EQ(engine.calls().size(), 5);

    // Cancelling a queued job drops it and starts nothing.
    queue.install(deltaProduct);
    queue.cancel(queue.job("d"));
    EXPECT_EQ(queue.job("d"), nullptr);
    EXPECT_EQ(engine.waiting(), (QStringList{"a", "c"}));

    // Installing over a paused job replaces it, resume data and all.
    queue.job("a")->pause();
    ASSERT_TRUE(eventually([&] { return kindOf(*model, "a") == Kind::paused; }));
    queue.clearFinished();
    EXPECT_EQ(ids(queue.jobs()), (QStringList{"c", "a"})) << "the installed job goes, the paused one stays";
    queue.install(alphaProduct, std::nullopt, true);
    EXPECT_EQ(ids(queue.jobs()), (QStringList{"a", "c"}));
    ASSERT_TRUE(eventually([&] { return engine.waiting() == QStringList{"a", "c"}; }));
    EXPECT_TRUE(engine.calls().last().verifyOnly);
    EXPECT_EQ(engine.calls().last().resumeData, std::nullopt);
}

TEST_F(InstallQueueTest, OnlyRealInstallsTakeTheLock)
{
    harness.desktop.frontmost = false;

    InstallLock updater(harness.supportFolder());
    ASSERT_TRUE(updater.tryLock());
    queue.install(alphaProduct);
    queue.install(betaProduct, std::nullopt, true);
    EXPECT_EQ(kindOf(*model, "a"), Kind::failed);
    ASSERT_TRUE(eventually([&] { return engine.waiting() == QStringList{"b"}; }));
    engine.finish("b");
    ASSERT_TRUE(eventually([&] { return kindOf(*model, "b") == Kind::installed; }));
    await(queue.uninstall("a"));
    EXPECT_EQ(ModelHarness::bannerTexts(*model),
        (QStringList{"Alpha: A background update is running. Try again in a minute.", "Beta 1.0.0 passed every check.",
            "A background update is running. Try again in a minute."}));
    EXPECT_TRUE(harness.desktop.notifications.isEmpty()) << "a check posts no notification";
    EXPECT_TRUE(engine.uninstalled.isEmpty());
    updater.unlock();

    // Held from the first real start until no real install is live; checks do not count.
    queue.install(alphaProduct);
    ASSERT_TRUE(eventually([&] { return engine.waiting() == QStringList{"a"}; }));
    EXPECT_FALSE(lockIsFree(harness));
    queue.install(gammaProduct, std::nullopt, true);
    ASSERT_TRUE(eventually([&] { return engine.waiting() == QStringList{"a", "c"}; }));
    engine.finish("c");
    ASSERT_TRUE(eventually([&] { return kindOf(*model, "c") == Kind::installed; }));
    EXPECT_FALSE(lockIsFree(harness));
    engine.finish("a");
    ASSERT_TRUE(eventually([&] { return kindOf(*model, "a") == Kind::installed; }));
    EXPECT_TRUE(lockIsFree(harness));
}

TEST_F(InstallQueueTest, ADroppedRunKeepsTheLockAndItsProductUntilItEnds)
{
    start({alphaProduct, betaProduct}, {"a", "b"});

    // Cancelled once placing has begun, the run goes on to its end.
    engine.report("a", InstallStage::installing());
    engine.pastDownload("a");
    queue.cancel(queue.job("a"));
    EXPECT_EQ(ids(queue.jobs()), QStringList{"b"});
    queue.install(alphaProduct);
    EXPECT_EQ(ids(queue.jobs()), QStringList{"b"}) << "no second run of the product";
    queue.install(gammaProduct);
    EXPECT_FALSE(queue.job("c")->isRunning()) << "the dropped run still takes a slot";
    await(queue.uninstall("a"));
    EXPECT_EQ(ModelHarness::bannerTexts(*model), QStringList{"Alpha is being installed. Try again when that has finished."});
    EXPECT_TRUE(engine.uninstalled.isEmpty());

    engine.finish("b");
    ASSERT_TRUE(eventually([&] { return engine.waiting() == QStringList{"a", "c"}; }));
    EXPECT_FALSE(lockIsFree(harness)) << "another job's end leaves the lock with the live run";
    engine.finish("a");
    engine.finish("c");
    ASSERT_TRUE(eventually([&] { return kindOf(*model, "c") == Kind::installed; }));
    ASSERT_TRUE(eventually([&] { return engine.waiting().isEmpty() && lockIsFree(harness); }));

    // A report that arrives after its run ended changes nothing.
    engine.report("b", InstallStage::downloading(1, 2));
    engine.report("b", InstallStage::downloading(2, 2));
    QCoreApplication::processEvents();
    EXPECT_EQ(kindOf(*model, "b"), Kind::installed);
    EXPECT_FALSE(queue.job("b")->isRunning());
}

TEST_F(InstallQueueTest, UninstallNamesWhatWasLeftInPlace)
{
    const QString notAFolder = "/home/ann/.local/share/Trash is not a folder";
    engine.removal.changed = {"Alpha.vst3", "Alpha.clap"};
    await(model->queue().uninstall("a"));
    engine.removal.open = {"Alpha.app"};
    engine.removal.refused = {{"Alpha.vst", notAFolder}, {"Alpha.component", "you may not change /media/b"}, {"Alpha.aaxplugin", notAFolder}};
    await(model->queue().uninstall("a"));
    engine.removal = {.moved = {"Alpha.vst3"}};
    await(model->queue().uninstall("a"));
    engine.removal = {};
    await(model->queue().uninstall("a"));
    EXPECT_EQ(ModelHarness::bannerTexts(*model),
        (QStringList{"Left in place because they changed since install: Alpha.vst3, Alpha.clap.",
            "Left in place because they changed since install: Alpha.vst3, Alpha.clap. Left in place because they are open: Alpha.app. "
            "Alpha.vst, Alpha.aaxplugin could not be moved to the Trash: " + notAFolder + ". Alpha.component could not be moved to the "
            "Trash: you may not change /media/b.",
            "Moved to the Trash.", "a was already removed outside the hub."}));
    EXPECT_EQ(model->banners().banners().first().tone, Banner::Tone::failure);
    EXPECT_EQ(engine.uninstalled, (QStringList{"a", "a", "a", "a"}));
    EXPECT_TRUE(lockIsFree(harness));
}

// What the Trash refuses stays in the Library's row, and the next Move to Trash tries only that.
TEST(InstallQueueOnDisk, WhatTheTrashRefusesStaysInTheRowAndIsTriedAgain)
{
    ModelHarness harness;
    Services services = harness.services();
    QStringList tried;
    const BundleInstaller installer(CodeVerifier(SignaturePolicy::tavren(), std::make_shared<test::SealCodeSigning>()),
        harness.path("home"), {}, [&](const QString& item) -> QString {
            tried.append(QFileInfo(item).fileName());
            if (tried.size() == 2) // the first Move to Trash's second item, once
                throw TrashError::notAFolder(harness.path("Trash"));
            QDir(item).removeRecursively();
            return {};
        });
    InstallRecord record = Fixtures::record("a", "Alpha", "1.0");
    record.items = installer.install({{test::SealedBundle().write(harness.path("staging")), BundleKind::vst3},
        {test::SealedBundle{.name = "Synth.clap"}.write(harness.path("staging")), BundleKind::clap}});
    services.ledger->save(record);
    services.pipeline = std::make_shared<const PipelineEngine>(
        InstallPipeline(nullptr, nullptr, Extractor(), installer, services.ledger, harness.path("work")));
    AppModel model(std::move(services));
    const QSignalSpy rowChanged(&model.library(), &Library::installedChanged);
    await(model.queue().uninstall("a"));
    EXPECT_EQ(rowChanged.count(), 1);
    EXPECT_EQ(model.library().record("a").value_or(InstallRecord()).items, QList{record.items.last()});
    await(model.queue().uninstall("a"));
    EXPECT_EQ(model.library().installed(), QList<InstallRecord>{});
    EXPECT_EQ(tried, (QStringList{"Synth.vst3", "Synth.clap", "Synth.clap"}));
}

TEST_F(InstallQueueTest, APumpNeverStartsMoreThanTheFreeSlots)
{
    InstallLock updater(harness.supportFolder());
    ASSERT_TRUE(updater.tryLock());
    queue.install(alphaProduct); // fails on the lock at once
    for (const StorefrontProduct& product : {betaProduct, gammaProduct, deltaProduct})
        queue.install(product, std::nullopt, true);
    for (const char* id : {"b", "c", "d"}) {
        ASSERT_TRUE(eventually([&] { return engine.waiting().contains(id); }));
        engine.finish(id, QStringLiteral("broken"));
    }
    ASSERT_TRUE(eventually([&] { return kindOf(*model, "d") == Kind::failed; }));

    // All four back in the queue at once; the oldest fails on the lock and pumps the queue from inside this pump.
    for (InstallJob* job : queue.jobs())
        job->setStage(InstallStage::queued());
    queue.pumpQueue();
    const auto running = std::count_if(queue.jobs().begin(), queue.jobs().end(), [](const InstallJob* j) { return j->isRunning(); });
    EXPECT_EQ(running, InstallQueue::maxConcurrentJobs);
    EXPECT_EQ(kindOf(*model, "a"), Kind::failed);
    EXPECT_EQ(kindOf(*model, "d"), Kind::queued);
    updater.unlock();
}
