#include "kit/codesign/NativeCodeSigning.h"
#include "kit/downloads/DownloadInterrupted.h"
#include "kit/install/InstallPipeline.h"
#include "kit/security/VerificationFailure.h"
#include "kit/support/CancellationError.h"
#include "kit/support/FileDescriptor.h"
#include "kit/support/InstallError.h"
#include "tests/testkit/DiskImageBuilder.h"
#include "tests/testkit/FilePermissions.h"
#include "tests/testkit/FileTree.h"
#include "tests/testkit/InstallHarness.h"
#include "tests/testkit/PackageBuilder.h"
#include "tests/testkit/SigningIdentity.h"
#include "tests/testkit/TestNotary.h"
#include "tests/testkit/TestSigner.h"
#include "tests/testkit/Thrown.h"
#include "tests/testkit/ZipBuilder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/file.h>
#include <thread>

using namespace hub;
using hub::test::BundleSpec;
using hub::test::InstallHarness;
using hub::test::SigningIdentity;
using hub::test::TestSigner;
using hub::test::thrown;

namespace {

enum class Format { zip, pkg, dmg };

// The stages a run reported, with each stretch of downloading progress kept as its last event.
struct StageLog {
    std::mutex mutex;
    QList<InstallStage> stages;
    std::function<void(const InstallStage&)> onStage;

    InstallPipeline::StageCallback sink()
    {
        return [this](const InstallStage& stage) {
            {
                std::lock_guard lock(mutex);
                if (stage.kind == InstallStage::Kind::downloading && !stages.isEmpty()
                    && stages.last().kind == InstallStage::Kind::downloading && stages.last().received > 0)
                    stages.last() = stage;
                else
                    stages.append(stage);
            }
            if (onStage)
                onStage(stage);
        };
    }
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

// The entries below and at root, links aside, that their owner cannot write.
QStringList notOwnerWritable(const QString& root)
{
    QStringList found;
    QStringList paths{root};
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        paths.append(it.next());
    for (const QString& path : paths) {
        if (!QFileInfo(path).isSymLink() && (test::permissionsOf(path) & 0200) == 0)
            found.append(path.mid(root.size()));
    }
    return found;
}

class InstallPipelineTest : public ::testing::Test {
protected:
    InstallPipelineTest()
        : harness(std::make_shared<NativeCodeSigning>(test::anchors(), std::function<QDateTime()>(),
                                                      QList<QByteArray>{test::TestNotary::standard().publicKeyDer}))
    {
    }

    // A signed bundle, packed as a product of the given format; with a ticket of the notary when given.
    QByteArray product(const BundleSpec& spec, Format format = Format::zip, const test::TestNotary* notary = nullptr)
    {
        QTemporaryDir scratch;
        const QString bundle = TestSigner::build(spec, scratch.filePath(QStringLiteral("b")), SigningIdentity::developerId());
        if (notary)
            TestSigner::stapleTicket(bundle, *notary);
        const auto entries = InstallHarness::entriesOf(bundle, spec.fileName().toUtf8());
        const QString out = scratch.filePath(QStringLiteral("product"));
        switch (format) {
        case Format::zip:
            test::ZipBuilder(out).add(entries).finish();
            break;
        case Format::pkg: {
            test::PackageComponent component;
            component.folder = "Synth.pkg";
            component.payload = entries;
            component.installKBytes = 1024;
            test::PackageBuilder().add(component).write(out);
            break;
        }
        case Format::dmg:
            test::DiskImageBuilder().add(entries).write(out, scratch.filePath(QStringLiteral("image")));
            break;
        }
        return readAll(out);
    }

    static BundleSpec synth(const QString& version, qsizetype resourceBytes = 0)
    {
        BundleSpec spec = BundleSpec::plugIn(QStringLiteral("Synth"));
        spec.version = version;
        spec.shortVersion = version;
        if (resourceBytes > 0)
            spec.resources.insert(QStringLiteral("Samples.bin"), randomBytes(resourceBytes, 3));
        return spec;
    }

    InstallRequest request(const Download& download, const QString& version = QStringLiteral("1.0")) const
    {
        return InstallRequest{QStringLiteral("p1"), QStringLiteral("Synth"), version, download};
    }

    QString placed() const { return harness.vst3Folder() + QStringLiteral("/Synth.vst3"); }
    QStringList workFolders() const { return QDir(harness.workRoot()).entryList(QDir::Dirs | QDir::NoDotAndDotDot); }

    InstallHarness harness;
};

} // namespace

TEST_F(InstallPipelineTest, EachFormatInstallsWithItsStagesAndARecord)
{
    for (const Format format : {Format::zip, Format::pkg, Format::dmg}) {
        SCOPED_TRACE(int(format));
        const QByteArray bytes = product(synth(QStringLiteral("1.0")), format);
        const Download download = harness.publish(QStringLiteral("synth-mac"), QStringLiteral("Synth Installer"), bytes);
        StageLog log;
        const InstallRecord record = harness.pipeline().run(request(download), std::nullopt, log.sink());

        const qint64 size = bytes.size();
        EXPECT_EQ(log.stages, (QList<InstallStage>{InstallStage::resolving(), InstallStage::downloading(0, size),
                                                   InstallStage::downloading(size, size), InstallStage::verifying(),
                                                   InstallStage::installing(), InstallStage::installed()}));
        EXPECT_TRUE(QFileInfo(placed() + QStringLiteral("/Contents/MacOS/Synth")).isFile());
        // A disk image's tree is read-only; the placed copy keeps its modes, writable by its owner.
        EXPECT_EQ(notOwnerWritable(placed()), QStringList());
        EXPECT_EQ(test::permissionsOf(placed() + QStringLiteral("/Contents/MacOS/Synth")) & 0100, 0100);
        EXPECT_EQ(record.productId, QStringLiteral("p1"));
        EXPECT_EQ(record.downloadKey, QStringLiteral("synth-mac"));
        ASSERT_EQ(record.items.size(), 1);
        EXPECT_EQ(record.items.first().path, placed());
        EXPECT_EQ(record.items.first().identifier, QStringLiteral("com.tavren.synth"));
        EXPECT_EQ(harness.ledger->record(QStringLiteral("p1")), record);
        EXPECT_EQ(workFolders(), QStringList());

        EXPECT_EQ(harness.pipeline().uninstall(QStringLiteral("p1")), Removal{.moved = {QStringLiteral("Synth.vst3")}});
        EXPECT_FALSE(QFileInfo::exists(placed()));
        EXPECT_FALSE(harness.ledger->record(QStringLiteral("p1")));
    }
    EXPECT_EQ(harness.pipeline().uninstall(QStringLiteral("p1")), Removal());
}

TEST_F(InstallPipelineTest, AppsMustBeNotarized)
{
    const BundleSpec tool = BundleSpec::app(QStringLiteral("Tool"));
    for (const test::TestNotary* notary : {static_cast<const test::TestNotary*>(nullptr), &test::TestNotary::other()}) {
        const Download download = harness.publish(QStringLiteral("tool"), QStringLiteral("Tool.zip"),
                                                  product(tool, Format::zip, notary));
        EXPECT_EQ(thrown<VerificationFailure>([&] { harness.pipeline().run(request(download), std::nullopt, {}); }),
                  VerificationFailure::notNotarized(QStringLiteral("Tool.app")));
        EXPECT_EQ(QDir(harness.applications()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        EXPECT_TRUE(harness.ledger->all().isEmpty());
    }

    const Download notarized = harness.publish(QStringLiteral("tool"), QStringLiteral("Tool.zip"),
                                               product(tool, Format::zip, &test::TestNotary::standard()));
    const InstallRecord record = harness.pipeline().run(request(notarized), std::nullopt, {});
    ASSERT_EQ(record.items.size(), 1);
    EXPECT_EQ(record.items.first().path, harness.applications() + QStringLiteral("/Tool.app"));
    EXPECT_EQ(record.items.first().kind, BundleKind::app);
    EXPECT_TRUE(QFileInfo(harness.applications() + QStringLiteral("/Tool.app/Contents/_NotarizationTicket")).isFile());
}

TEST_F(InstallPipelineTest, NewerReplacesOlderAndOlderIsRefusedWhateverIsAsked)
{
    const auto install = [&](const QString& bundleVersion, const QString& askedVersion) {
        const Download download = harness.publish(QStringLiteral("synth-") + bundleVersion, QStringLiteral("Synth.zip"),
                                                  product(synth(bundleVersion)));
        return harness.pipeline().run(request(download, askedVersion), std::nullopt, {});
    };
    install(QStringLiteral("1.0"), QStringLiteral("1.0"));
    const InstallRecord second = install(QStringLiteral("2.0"), QStringLiteral("2.0"));
    EXPECT_EQ(second.version, QStringLiteral("2.0"));
    EXPECT_EQ(second.downloadKey, QStringLiteral("synth-2.0"));
    EXPECT_EQ(CodeVerifier::bundleVersion(QUrl::fromLocalFile(placed())), QStringLiteral("2.0"));
    EXPECT_EQ(harness.ledger->floor(QStringLiteral("com.tavren.synth")), QStringLiteral("2.0"));
    const QStringList trashed = test::treeOf(harness.trash()).filter(QRegularExpression(QStringLiteral("/Synth\\.vst3$")));
    ASSERT_EQ(trashed.size(), 1);
    EXPECT_EQ(CodeVerifier::bundleVersion(QUrl::fromLocalFile(harness.trash() + u'/' + trashed.first())), QStringLiteral("1.0"));

    // The floor holds even when the request claims a newer release, and after the product is gone.
    const InstallError downgrade = InstallError::downgrade(QStringLiteral("Synth.vst3"), QStringLiteral("2.0"), QStringLiteral("1.5"));
    EXPECT_EQ(thrown<InstallError>([&] { install(QStringLiteral("1.5"), QStringLiteral("9.0")); }), downgrade);
    harness.pipeline().uninstall(QStringLiteral("p1"));
    EXPECT_EQ(thrown<InstallError>([&] { install(QStringLiteral("1.5"), QStringLiteral("9.0")); }), downgrade);
    EXPECT_EQ(downgrade.message(), QStringLiteral("Synth.vst3 1.5 is older than the installed 2.0. Refused, so an old "
                                                  "release cannot replace a newer one."));
    EXPECT_FALSE(QFileInfo::exists(placed()));
    EXPECT_EQ(workFolders(), QStringList());
    install(QStringLiteral("2.0"), QStringLiteral("2.0")); // equal to the floor
}

TEST_F(InstallPipelineTest, VerifyOnlyLeavesNoTrace)
{
    harness.pipeline().run(request(harness.publish(QStringLiteral("a"), QStringLiteral("Synth.zip"),
                                                   product(synth(QStringLiteral("1.0"))))),
                           std::nullopt, {});
    const QByteArray ledgerBefore = readAll(harness.ledger->file);
    const QByteArray floorsBefore = readAll(harness.ledger->floorsFile);
    const QStringList homeBefore = test::treeOf(harness.home());

    const Download download = harness.publish(QStringLiteral("b"), QStringLiteral("Synth.zip"), product(synth(QStringLiteral("3.0"))));
    StageLog log;
    harness.pipeline().verify(request(download), log.sink());
    EXPECT_EQ(log.stages.last(), InstallStage::installed());
    EXPECT_FALSE(log.stages.contains(InstallStage::installing()));
    EXPECT_EQ(readAll(harness.ledger->file), ledgerBefore);
    EXPECT_EQ(readAll(harness.ledger->floorsFile), floorsBefore);
    EXPECT_EQ(test::treeOf(harness.home()), homeBefore);
    EXPECT_EQ(CodeVerifier::bundleVersion(QUrl::fromLocalFile(placed())), QStringLiteral("1.0"));
    EXPECT_EQ(test::treeOf(harness.trash()), QStringList());
    EXPECT_EQ(workFolders(), QStringList());
}

TEST_F(InstallPipelineTest, StoppedDownloadPausesAndResumesWithTheRest)
{
    const QByteArray bytes = product(synth(QStringLiteral("1.0"), 4 << 20));
    const Download download = harness.publish(QStringLiteral("big"), QStringLiteral("Synth.zip"), bytes);
    std::stop_source stop;
    StageLog first;
    first.onStage = [&](const InstallStage& stage) {
        if (stage.kind == InstallStage::Kind::downloading && stage.received >= bytes.size() / 2)
            stop.request_stop();
    };
    const DownloadInterrupted paused = thrown<DownloadInterrupted>(
        [&] { harness.pipeline().run(request(download), std::nullopt, first.sink(), stop.get_token()); });
    ASSERT_TRUE(paused.resumeData);
    const qint64 kept = paused.resumeData->offset;
    EXPECT_GE(kept, bytes.size() / 2);
    EXPECT_LT(kept, bytes.size());
    EXPECT_EQ(workFolders(), QStringList{QStringLiteral("big")});
    EXPECT_FALSE(QFileInfo::exists(placed()));

    StageLog second;
    harness.pipeline().run(request(download), paused.resumeData, second.sink());
    const ReceivedRequest resumed = harness.downloads.requests().last();
    EXPECT_EQ(resumed.header("Range"), "bytes=" + QByteArray::number(kept) + '-');
    EXPECT_EQ(second.stages.at(2), InstallStage::downloading(bytes.size(), bytes.size()));
    EXPECT_TRUE(QFileInfo::exists(placed()));
    EXPECT_EQ(workFolders(), QStringList());

    // Stopped before any byte is worth keeping: nothing to resume, no folder left.
    std::stop_source early;
    early.request_stop();
    EXPECT_FALSE(thrown<DownloadInterrupted>([&] {
                     harness.pipeline().run(request(download), std::nullopt, {}, early.get_token());
                 }).resumeData);
    EXPECT_EQ(workFolders(), QStringList());

    // Stopped once the last byte is in: too late to pause, so the run fails and keeps nothing.
    std::stop_source late;
    first.onStage = [&](const InstallStage& stage) {
        if (stage.kind == InstallStage::Kind::downloading && stage.received == bytes.size())
            late.request_stop();
    };
    EXPECT_THROW(harness.pipeline().run(request(download), std::nullopt, first.sink(), late.get_token()), CancellationError);
    EXPECT_EQ(workFolders(), QStringList());
}

TEST_F(InstallPipelineTest, AResumedRunKeepsItsOwnBytesThroughFailuresAndNothingElse)
{
    const QByteArray bytes = product(synth(QStringLiteral("1.0"), 2 << 20));
    const auto serve = [&](const ScriptedResponse& response) {
        return harness.publish(QStringLiteral("big"), QStringLiteral("Synth.zip"), bytes.size(),
                               [response](const ReceivedRequest&) { return response; });
    };
    const ScriptedResponse cutShort{.headers = {{"ETag", "\"big\""}}, .body = bytes.left(1000), .contentLength = bytes.size()};
    const Download download = serve(cutShort);
    const std::optional<DownloadResumeData> kept =
        thrown<DownloadInterrupted>([&] { harness.pipeline().run(request(download), std::nullopt, {}); }).resumeData;
    ASSERT_TRUE(kept);

    const auto offline = [](const HttpRequest&) -> HttpResponse { throw TransportError(6, "Could not resolve host: api.store.test"); };
    FileDescriptor heldElsewhere; // the work root, as another process holding it has it
    const std::pair<QString, std::function<void()>> failures[] = {
        {"A server with the specified hostname could not be found.", [&] { harness.store->route("GET", "/links/big", offline); }},
        {"The network connection was lost.", [&] { serve({.raw = ""}); }},
        {"The download server returned 503.", [&] { serve({.status = 503}); }},
        {InstallError::workFolderBusy(harness.workRoot()).message(), [&] {
             heldElsewhere = FileDescriptor(::open(QFile::encodeName(harness.workRoot()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
             ASSERT_EQ(::flock(heldElsewhere.get(), LOCK_EX), 0);
         }},
    };
    InstallPipeline pipeline = harness.pipeline();
    pipeline.claimPatience = std::chrono::milliseconds(50);
    for (const auto& [reason, fail] : failures) {
        fail();
        EXPECT_EQ(thrown<DownloadInterrupted>([&] { pipeline.run(request(download), kept, {}); }),
                  DownloadInterrupted(kept, DownloadInterrupted::Cause::failed, reason));
        EXPECT_EQ(readAll(kept->partialFile), bytes.left(1000)) << reason.toStdString();
    }
    heldElsewhere = FileDescriptor();

    // Another program plants a link where the run stages its bundles, and a file of its own.
    QTemporaryDir elsewhere;
    const QString folder = QFileInfo(kept->partialFile).path();
    ASSERT_TRUE(QFile::link(elsewhere.path(), folder + QStringLiteral("/bundles")));
    QFile(folder + QStringLiteral("/planted")).open(QIODevice::WriteOnly);
    StageLog log;
    QStringList atVerifying;
    log.onStage = [&](const InstallStage& stage) {
        if (stage.kind == InstallStage::Kind::verifying)
            atVerifying = test::treeOf(folder);
    };
    harness.publish(QStringLiteral("big"), QStringLiteral("Synth.zip"), bytes);
    harness.pipeline().run(request(download), kept, log.sink());
    EXPECT_EQ(harness.downloads.requests().last().header("Range"), "bytes=1000-");
    EXPECT_EQ(atVerifying, QStringList{QStringLiteral("Synth.zip")});
    EXPECT_EQ(test::treeOf(elsewhere.path()), QStringList());

    // A check never resumes, so it keeps nothing.
    serve(cutShort);
    EXPECT_EQ(thrown<DownloadInterrupted>([&] { harness.pipeline().verify(request(download), {}); }),
              DownloadInterrupted(std::nullopt, DownloadInterrupted::Cause::connectionLost));
    EXPECT_EQ(workFolders(), QStringList());
}

TEST_F(InstallPipelineTest, SizesOtherThanTheStoresAreRefused)
{
    const QByteArray bytes = product(synth(QStringLiteral("1.0")));
    const qint64 size = bytes.size();

    StageLog none;
    const Download noSize = harness.publish(QStringLiteral("zero"), QStringLiteral("Synth.zip"), bytes, 0);
    EXPECT_EQ(thrown<InstallError>([&] { harness.pipeline().run(request(noSize), std::nullopt, none.sink()); }).message(),
              QStringLiteral("The download was refused: the store gave no size for this download."));
    EXPECT_TRUE(none.stages.isEmpty());
    EXPECT_TRUE(harness.store->requests().isEmpty());

    const Download claimsMore = harness.publish(QStringLiteral("more"), QStringLiteral("Synth.zip"), bytes, size + 1);
    EXPECT_EQ(thrown<InstallError>([&] { harness.pipeline().run(request(claimsMore), std::nullopt, {}); }),
              InstallError::sizeMismatch(size + 1, size));
    // A file longer than the store said is stopped by the byte cap before it is checked.
    const Download claimsLess = harness.publish(QStringLiteral("less"), QStringLiteral("Synth.zip"), bytes, size - 1);
    EXPECT_EQ(thrown<DownloadError>([&] { harness.pipeline().run(request(claimsLess), std::nullopt, {}); }),
              DownloadError::tooLarge());
    // An unknown total from the server is reported as the store's size.
    const Download chunked = harness.publish(QStringLiteral("chunked"), QStringLiteral("Synth.zip"), size,
                                             [bytes](const ReceivedRequest&) {
                                                 return ScriptedResponse{.body = bytes, .chunked = true};
                                             });
    StageLog log;
    harness.pipeline().run(request(chunked), std::nullopt, log.sink());
    EXPECT_EQ(log.stages.at(2), InstallStage::downloading(size, size));
    EXPECT_EQ(workFolders(), QStringList());
    EXPECT_FALSE(QFileInfo::exists(harness.workRoot() + QStringLiteral("/more/Synth.zip")));
}

TEST_F(InstallPipelineTest, ASecondRunOnTheSameWorkFolderIsRefusedAtOnce)
{
    const QByteArray bytes = product(synth(QStringLiteral("1.0"), 1 << 20));
    const Download first = harness.publish(QStringLiteral("synth/mac"), QStringLiteral("Synth.zip"), bytes);
    // Another key that sanitises to the same folder name, "synth_mac".
    const Download twin = harness.publish(QStringLiteral("synth:mac"), QStringLiteral("Synth.zip"), bytes);

    std::optional<InstallError> refused;
    StageLog twinLog;
    qsizetype storeRequests = -1;
    StageLog log;
    log.onStage = [&](const InstallStage& stage) {
        if (stage.kind != InstallStage::Kind::downloading || stage.received == 0 || refused)
            return;
        storeRequests = harness.store->requests().size();
        for (const Download& download : {first, twin}) {
            refused = thrown<InstallError>([&] { harness.pipeline().verify(request(download), twinLog.sink()); });
            EXPECT_EQ(refused, InstallError::alreadyProcessing());
        }
        EXPECT_EQ(harness.store->requests().size(), storeRequests);
    };
    harness.pipeline().run(request(first), std::nullopt, log.sink());
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->message(), QStringLiteral("This download is already being processed. Try again in a minute."));
    EXPECT_TRUE(twinLog.stages.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(placed()));
    harness.pipeline().verify(request(twin), {}); // free again once the first run has ended
    EXPECT_EQ(workFolders(), QStringList());
}

TEST_F(InstallPipelineTest, AStaleItemOfTheEarlierInstallGoesToTheTrashBeforeTheSave)
{
    BundleSpec old = BundleSpec::plugIn(QStringLiteral("Synth Legacy"));
    old.identifier = QStringLiteral("com.tavren.synth-legacy");
    QTemporaryDir scratch;
    const QString legacy = TestSigner::build(old, scratch.filePath(QStringLiteral("b")), SigningIdentity::developerId());
    const QString zip = scratch.filePath(QStringLiteral("old.zip"));
    test::ZipBuilder(zip).add(InstallHarness::entriesOf(legacy, old.fileName().toUtf8())).finish();
    const Download legacyDownload = harness.publish(QStringLiteral("old"), QStringLiteral("Synth.zip"), readAll(zip));
    harness.pipeline().run(request(legacyDownload), std::nullopt, {});
    const QString stale = harness.vst3Folder() + QStringLiteral("/Synth Legacy.vst3");
    ASSERT_TRUE(QFileInfo::exists(stale));

    // The record the Trash sees while it takes the stale copy.
    InstallPipeline pipeline = harness.pipeline();
    QStringList trashedUnder;
    const BundleInstaller::TrashOperation trash = pipeline.installer.trash;
    pipeline.installer.trash = [&](const QString& item) {
        trashedUnder.append(QFileInfo(item).fileName() + u' ' + harness.ledger->record(QStringLiteral("p1"))->downloadKey);
        return trash(item);
    };
    const Download current = harness.publish(QStringLiteral("new"), QStringLiteral("Synth.zip"), product(synth(QStringLiteral("1.0"))));
    pipeline.run(request(current), std::nullopt, {});
    EXPECT_EQ(trashedUnder, QStringList{QStringLiteral("Synth Legacy.vst3 old")});
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_EQ(harness.ledger->record(QStringLiteral("p1"))->downloadKey, QStringLiteral("new"));

    // The same paths again: only the copy that the new one replaces goes.
    trashedUnder.clear();
    pipeline.run(request(current), std::nullopt, {});
    EXPECT_EQ(trashedUnder, QStringList{QStringLiteral("Synth.vst3 new")});
    EXPECT_TRUE(QFileInfo::exists(placed()));

    // A stale copy the Trash refuses stays in the new record, and the run's note names it.
    pipeline.installer.trash = [](const QString&) -> QString { throw std::runtime_error("the Trash is full"); };
    const InstallRecord back = pipeline.run(request(legacyDownload), std::nullopt, {});
    EXPECT_EQ(back.items.last().path, placed());
    EXPECT_EQ(back.notes, QStringList{QStringLiteral("Synth.vst3 could not be moved to the Trash: the Trash is full.")});

    // A stale item that is only a link is named once and left; it is no longer the product's.
    pipeline.installer.trash = trash;
    ASSERT_TRUE(QDir(stale).removeRecursively() && QFile::link(stale + QStringLiteral(" gone"), stale));
    const InstallRecord linked = pipeline.run(request(current), std::nullopt, {});
    EXPECT_EQ(linked.items.last().path, placed());
    EXPECT_EQ(linked.notes, QStringList{QStringLiteral("Left in place because they changed since install: Synth Legacy.vst3.")});
    EXPECT_EQ(pipeline.run(request(current), std::nullopt, {}).notes, QStringList());
}

TEST_F(InstallPipelineTest, TwoRunsPlacingABundleOfTheSameNameKeepEachOthersCopies)
{
    // Two products that ship the same bundle, installed over and over at the same time.
    const QByteArray bytes = product(synth(QStringLiteral("1.0")));
    std::mutex mutex;
    QStringList errors;
    const auto installMany = [&](const QString& productId, const Download& download) {
        const InstallPipeline pipeline = harness.pipeline();
        for (int round = 0; round < 8; ++round) {
            try {
                pipeline.run({productId, QStringLiteral("Synth"), QStringLiteral("1.0"), download}, std::nullopt, {});
            } catch (const std::exception& error) {
                const std::lock_guard lock(mutex);
                errors.append(productId + QStringLiteral(": ") + QString::fromUtf8(error.what()));
            }
        }
    };
    const Download first = harness.publish(QStringLiteral("a"), QStringLiteral("Synth.zip"), bytes);
    const Download second = harness.publish(QStringLiteral("b"), QStringLiteral("Synth.zip"), bytes);
    std::thread other(installMany, QStringLiteral("p2"), second);
    installMany(QStringLiteral("p1"), first);
    other.join();
    EXPECT_EQ(errors, QStringList());
    EXPECT_EQ(CodeVerifier::bundleVersion(QUrl::fromLocalFile(placed())), QStringLiteral("1.0"));
    EXPECT_EQ(QDir(harness.vst3Folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("Synth.vst3")});
}
