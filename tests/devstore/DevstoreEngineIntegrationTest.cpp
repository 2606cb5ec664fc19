// The install engine (pipeline, update runner, downloader) against the real devstore's
// fixture products, through the demo deployment, into a temporary home.

#include "tests/devstore/DevstoreTest.h"

#include "kit/api/MoonbaseError.h"
#include "kit/codesign/NativeCodeSigning.h"
#include "kit/downloads/DownloadInterrupted.h"
#include "kit/install/InstallPipeline.h"
#include "kit/install/UpdateRunner.h"
#include "kit/security/SignaturePolicy.h"
#include "kit/support/Error.h"
#include "tests/testkit/FileTree.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hub;
using hub::test::DevstoreProcess;
using hub::test::DevstoreTest;

namespace {

class Engine : public DevstoreTest {
protected:
    void SetUp() override
    {
        DevstoreTest::SetUp();
        if (IsSkipped())
            return;
        for (const char* folder : {"home", "Applications", "work", "ledger"})
            QDir().mkpath(box.filePath(QString::fromLatin1(folder)));
        client = DevstoreTest::client();
        client->signIn(QStringLiteral("demo@tavren.test"), QStringLiteral("demo-pass-1"));
        ledger = std::make_shared<InstallLedger>(box.filePath(QStringLiteral("ledger")));
    }

    InstallPipeline pipeline() const
    {
        const CodeVerifier verifier(SignaturePolicy::tavren(), NativeCodeSigning::standard());
        BundleInstaller installer(verifier, box.filePath(QStringLiteral("home")), box.filePath(QStringLiteral("Applications")),
                                  [this](const QString& path) -> QString {
                                      const QString target = box.filePath(QStringLiteral("Trash/") + QFileInfo(path).fileName());
                                      QDir().mkpath(box.filePath(QStringLiteral("Trash")));
                                      QDir(target).removeRecursively();
                                      if (!QDir().rename(path, target))
                                          throw std::runtime_error("cannot trash " + path.toStdString());
                                      return target;
                                  });
        auto downloader = std::make_shared<Downloader>(HostPolicy::tavren(), PinnedTrust::tavren(), box.filePath(QStringLiteral("work")));
        return InstallPipeline(client, downloader, Extractor(), installer, ledger, box.filePath(QStringLiteral("work")));
    }

    // The product's macOS download (the n-th one), as the app would ask for it.
    InstallRequest request(const QString& productId, int index = 0) const
    {
        const ProductSummary product = client->product(productId);
        QList<Download> mac;
        for (const Download& download : product.downloads.value_or(QList<Download>{})) {
            if (download.platform == Platform::mac || download.platform == Platform::universal)
                mac << download;
        }
        if (index >= mac.size())
            throw std::runtime_error("no such macOS download of " + productId.toStdString());
        return {product.id, product.name, product.currentVersion.value_or(QString()), mac[index]};
    }

    QStringList placed() const { return test::treeOf(box.filePath(QStringLiteral("home"))) + test::treeOf(box.filePath(QStringLiteral("Applications"))); }

    static QString failureOf(const std::function<void()>& body)
    {
        try {
            body();
        } catch (const Error& error) {
            return error.message();
        } catch (const std::exception& error) {
            return QString::fromLocal8Bit(error.what());
        }
        return QStringLiteral("(no failure)");
    }

    QTemporaryDir box;
    std::shared_ptr<MoonbaseClient> client;
    std::shared_ptr<InstallLedger> ledger;
};

TEST_F(Engine, InstallsZipPackageDiskImageAndAppProducts)
{
    struct Case {
        const char* product;
        int download;
        QStringList bundles; // below the temporary folder
    };
    const QList<Case> cases{
        {"tv-compressor", 0, {"home/Library/Audio/Plug-Ins/VST3/TV Compressor.vst3", "home/Library/Audio/Plug-Ins/Components/TV Compressor.component",
                              "home/Library/Audio/Plug-Ins/CLAP/TV Compressor.clap"}},
        {"tv-limiter", 0, {"home/Library/Audio/Plug-Ins/VST3/TV Limiter.vst3", "home/Library/Audio/Plug-Ins/Components/TV Limiter.component"}},
        {"tv-gate", 0, {"home/Library/Audio/Plug-Ins/VST3/TV Gate.vst3", "home/Library/Audio/Plug-Ins/Components/TV Gate.component"}},
        {"tv-equalizer", 1, {"home/Library/Audio/Plug-Ins/VST3/TV Equalizer.vst3", "home/Library/Audio/Plug-Ins/Components/TV Equalizer.component"}},
        {"tv-notes", 0, {"Applications/TV Notes.app"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.product);
        const InstallRequest wanted = request(QString::fromLatin1(c.product), c.download);
        const InstallRecord record = pipeline().run(wanted, std::nullopt, {});
        EXPECT_EQ(record.downloadKey, wanted.download.key);
        EXPECT_EQ(record.version, QStringLiteral("1.0.0"));
        ASSERT_EQ(record.items.size(), c.bundles.size());
        for (const QString& bundle : c.bundles)
            EXPECT_TRUE(QFileInfo(box.filePath(bundle)).isDir()) << bundle.toStdString();
        for (const InstalledItem& item : record.items)
            EXPECT_EQ(item.teamID, QStringLiteral("KD4N8RWT2C"));
        EXPECT_EQ(ledger->record(wanted.productId), record);
    }
}

TEST_F(Engine, TheStandardPipelinePlacesAppsInTheUsersOwnApplicationsFolder)
{
    // The user's home and cache folders, for this test only.
    struct Home {
        QByteArray home = qgetenv("HOME"), cache = qgetenv("XDG_CACHE_HOME");
        ~Home()
        {
            qputenv("HOME", home);
            qputenv("XDG_CACHE_HOME", cache);
        }
    } restore;
    qputenv("HOME", QFile::encodeName(box.filePath(QStringLiteral("user"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(box.filePath(QStringLiteral("cache"))));

    const InstallRecord record = InstallPipeline::standard(client, ledger).run(request(QStringLiteral("tv-notes")), std::nullopt, {});
    ASSERT_EQ(record.items.size(), 1);
    EXPECT_EQ(record.items.first().path, box.filePath(QStringLiteral("user/Applications/TV Notes.app")));
    EXPECT_TRUE(QFileInfo(record.items.first().path).isDir());
}

TEST_F(Engine, RefusesTheUnsignedBundleSkipsScriptsAndKeepsUnownedProductsOut)
{
    EXPECT_TRUE(failureOf([&] { pipeline().run(request(QStringLiteral("tv-bitcrusher")), std::nullopt, {}); }).contains(u"TV Bitcrusher.vst3"));
    EXPECT_EQ(ledger->record(QStringLiteral("tv-bitcrusher")), std::nullopt);
    EXPECT_EQ(placed(), QStringList());

    const InstallRecord delay = pipeline().run(request(QStringLiteral("tv-delay")), std::nullopt, {});
    EXPECT_EQ(delay.notes, QStringList({"Skipped the installer scripts in TVDelay-Support.pkg; the hub installs files only."}));
    EXPECT_EQ(delay.items.size(), 2);

    // Owned through the identity service only: the store refuses the link with its own words.
    EXPECT_EQ(failureOf([&] { client->resolveDownload(request(QStringLiteral("tv-vocoder")).download); }),
              QStringLiteral("TV Vocoder is not among the products of demo@tavren.test."));
}

TEST_F(Engine, UpdatesToAPublishedVersionAndRefusesADowngrade)
{
    const InstallRecord first = pipeline().run(request(QStringLiteral("tv-reverb")), std::nullopt, {});
    EXPECT_EQ(first.version, QStringLiteral("1.4.0"));
    EXPECT_EQ(UpdateRunner(client, ledger, pipeline()).run(), UpdateRunner::Outcome{});

    store->control("POST", QStringLiteral("/__devstore/publish"), {{"product", "tv-reverb"}, {"version", "1.5.0"}});
    const UpdateRunner::Outcome outcome = UpdateRunner(client, ledger, pipeline()).run();
    EXPECT_EQ(outcome.updated, QList<UpdateRunner::Updated>({{"tv-reverb", "TV Reverb", "1.5.0"}}));
    EXPECT_TRUE(outcome.failed.isEmpty());
    const InstallRecord updated = ledger->record(QStringLiteral("tv-reverb")).value();
    EXPECT_EQ(updated.downloadKey, QStringLiteral("tv-reverb-1.5.0-mac-zip"));
    for (const InstalledItem& item : updated.items)
        EXPECT_EQ(item.version, QStringLiteral("1.5.0"));

    store->control("POST", QStringLiteral("/__devstore/publish"), {{"product", "tv-reverb"}, {"version", "1.3.0"}});
    const QString refusal = failureOf([&] { pipeline().run(request(QStringLiteral("tv-reverb")), std::nullopt, {}); });
    EXPECT_TRUE(refusal.startsWith(u"TV Reverb.")) << refusal.toStdString();
    EXPECT_TRUE(refusal.endsWith(u" 1.3.0 is older than the installed 1.5.0. Refused, so an old release cannot replace a newer one."))
        << refusal.toStdString();
    EXPECT_EQ(ledger->record(QStringLiteral("tv-reverb"))->version, QStringLiteral("1.5.0"));
    store->control("POST", QStringLiteral("/__devstore/publish"), {{"product", "tv-reverb"}, {"version", "1.4.0"}});
}

// Clears the download fault however the test ends.
struct FaultGuard {
    FaultGuard(const DevstoreProcess& store, const QString& fault) : store(store) { set(fault); }
    ~FaultGuard() { set(QStringLiteral("none")); }
    void set(const QString& fault) const { store.control("POST", QStringLiteral("/__devstore/download-fault"), {{"fault", fault}}); }
    const DevstoreProcess& store;
};

TEST_F(Engine, ResumesADownloadStoppedHalfWay)
{
    const InstallRequest wanted = request(QStringLiteral("tv-compressor"));
    const qint64 size = wanted.download.size;
    const Downloader downloader(HostPolicy::tavren(), PinnedTrust::tavren(), box.filePath(QStringLiteral("work")));
    const QUrl location = client->resolveDownload(wanted.download);
    const QString destination = box.filePath(QStringLiteral("work/artifact"));

    std::optional<DownloadResumeData> resume;
    {
        FaultGuard stall(*store, QStringLiteral("stall"));
        std::stop_source stop;
        try {
            downloader.download(location, std::nullopt, destination, size, [&](qint64 received, qint64) {
                if (received >= size / 2)
                    stop.request_stop();
            }, stop.get_token());
            FAIL() << "the stalled download finished";
        } catch (const DownloadInterrupted& paused) {
            resume = paused.resumeData;
        }
    }
    ASSERT_TRUE(resume);
    EXPECT_EQ(resume->offset, size / 2);

    const QString file = downloader.download(location, resume, destination, size, [](qint64, qint64) {});
    EXPECT_EQ(QFileInfo(file).size(), size);
    EXPECT_TRUE(store->output().contains(QStringLiteral(" 206 %1").arg(size - size / 2)));
}

TEST_F(Engine, EachDownloadFaultEndsInItsErrorWithNothingPlaced)
{
    const InstallRequest wanted = request(QStringLiteral("tv-compressor"));
    const QString size = QString::number(wanted.download.size);
    const QList<std::pair<QString, QString>> cases{
        {"longer-length", "The download grew past the size the store published and was stopped."},
        {"one-byte-more", "The download grew past the size the store published and was stopped."},
        {"one-byte-less", "The download is " + QString::number(wanted.download.size - 1) + " bytes; the store said " + size + ". Discarded."},
        {"redirect-http", "The download tried to leave HTTPS (files.storage.devstore.test) and was stopped."},
        {"redirect-off-domain", "The download tried to leave HTTPS (files.elsewhere.test) and was stopped."},
        {"not-found", "The download server returned 404."},
        {"server-error", "The download server returned 500."},
        {"expired", "The download server returned 403."},
    };
    for (const auto& [fault, message] : cases) {
        SCOPED_TRACE(fault.toStdString());
        FaultGuard guard(*store, fault);
        EXPECT_EQ(failureOf([&] { pipeline().run(wanted, std::nullopt, {}); }), message);
        EXPECT_EQ(ledger->record(wanted.productId), std::nullopt);
        EXPECT_EQ(placed(), QStringList());
    }
}

} // namespace
