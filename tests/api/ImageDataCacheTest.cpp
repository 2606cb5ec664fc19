#include "kit/api/ImageDataCache.h"
#include "kit/support/SmallFile.h"
#include "tests/testkit/ForkedChild.h"
#include "tests/testkit/ScriptedTransport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <condition_variable>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using hub::HttpRequest;
using hub::HttpResponse;
using hub::ImageDataCache;

namespace {

// Answers with the scripted response of an address (200 with the address as body
// when none is scripted); can hold requests until released, or fail them.
struct ImageHost {
    ImageHost()
    {
        transport.route("GET", "/", [this](const HttpRequest& request) {
            std::unique_lock lock(mutex);
            ++arrived;
            changed.notify_all();
            changed.wait(lock, [&] { return !holding; });
            if (failing)
                throw hub::TransportError(7, QStringLiteral("connection refused"));
            return responses.value(request.url, HttpResponse{200, {}, request.url});
        });
    }
    void release()
    {
        const std::lock_guard lock(mutex);
        holding = false;
        changed.notify_all();
    }
    void waitForArrivals(int count)
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return arrived >= count; });
    }
    qsizetype count() const { return transport.requests().size(); }

    hub::ScriptedTransport transport;
    std::mutex mutex;
    std::condition_variable changed;
    QHash<QByteArray, HttpResponse> responses;
    int arrived = 0;
    bool holding = false;
    bool failing = false;
};

const hub::HostPolicy policy{QStringLiteral("api.store.test"), {QStringLiteral("assets.store.test"), QStringLiteral("maker.test")}, {}};

QUrl image(const QString& name, const char* host = "assets.store.test")
{
    return QUrl(QStringLiteral("https://") + QString::fromLatin1(host) + QStringLiteral("/img/") + name);
}

struct Fixture {
    explicit Fixture(QString directory = {})
        : cache(std::move(directory), policy, hub::PinnedTrust{{{QStringLiteral("maker.test"), {QStringLiteral("pin")}}}, {}},
                pinned.transport, plain.transport)
    {
    }
    ImageHost pinned, plain;
    ImageDataCache cache;
};

} // namespace

TEST(ImageDataCache, RefusedAddressesAreNeverFetched)
{
    Fixture f;
    for (const char* text : {"http://assets.store.test/a.png", "https://assets.store.test:8443/a.png",
                             "https://user@assets.store.test/a.png", "https://other.test/a.png",
                             "https://cdn.assets.store.test/a.png", "https:///a.png"})
        EXPECT_EQ(f.cache.data(QUrl(QString::fromLatin1(text))), std::nullopt) << text;
    EXPECT_EQ(f.plain.count() + f.pinned.count(), 0);
    EXPECT_NE(f.cache.data(QUrl(QStringLiteral("https://ASSETS.store.test/a.png"))), std::nullopt);
}

TEST(ImageDataCache, PinnedHostsUseThePinnedTransport)
{
    Fixture f;
    EXPECT_EQ(f.cache.data(image(QStringLiteral("a.png"), "maker.test")), QByteArray("https://maker.test/img/a.png"));
    EXPECT_EQ(f.pinned.count(), 1);
    EXPECT_EQ(f.plain.count(), 0);
}

TEST(ImageDataCache, ConcurrentCallersShareOneFetch)
{
    Fixture f;
    f.plain.holding = true;
    const QUrl url = image(QStringLiteral("hero.png"));
    std::vector<std::optional<QByteArray>> results(10);
    std::vector<std::thread> threads;
    threads.emplace_back([&] { results[0] = f.cache.data(url); });
    f.plain.waitForArrivals(1);
    for (int i = 1; i < 10; ++i)
        threads.emplace_back([&, i] { results[i] = f.cache.data(url); });
    while (f.cache.fetchesInFlight() != 1)
        std::this_thread::yield();
    f.plain.release();
    for (auto& thread : threads)
        thread.join();

    EXPECT_EQ(f.plain.count(), 1);
    for (const auto& result : results)
        EXPECT_EQ(result, url.toEncoded());
    EXPECT_EQ(f.cache.fetchesInFlight(), 0);
    EXPECT_TRUE(f.cache.inMemory(url));
}

TEST(ImageDataCache, OnlyACompleteAnswerWithinTheCapIsTaken)
{
    QTemporaryDir folder;
    Fixture f(folder.path());
    const auto answer = [&](const QString& name, HttpResponse response) {
        f.plain.responses.insert(image(name).toEncoded(), response);
        return f.cache.data(image(name));
    };
    const QByteArray atCap(ImageDataCache::maxBytes, 'x');
    EXPECT_EQ(answer(QStringLiteral("cap"), {200, {}, atCap}), atCap);
    EXPECT_EQ(answer(QStringLiteral("over"), {200, {}, atCap + 'x'}), std::nullopt);
    EXPECT_EQ(answer(QStringLiteral("empty"), {200, {}, {}}), std::nullopt);
    for (int status : {201, 206, 302, 304, 404, 500})
        EXPECT_EQ(answer(QString::number(status), {status, {{"Location", "https://assets.store.test/x"}}, "body"}), std::nullopt) << status;
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{ImageDataCache::key(image(QStringLiteral("cap")))});

    f.plain.failing = true;
    EXPECT_EQ(f.cache.data(image(QStringLiteral("down"))), std::nullopt);
    f.plain.failing = false;
    EXPECT_NE(f.cache.data(image(QStringLiteral("down"))), std::nullopt); // a miss is tried again
}

TEST(ImageDataCache, MemoryKeepsTheLastToEnterWithinItsBytes)
{
    Fixture f;
    // Each an eighth of the share with what it costs beside its bytes (its address under 256 bytes).
    const qint64 body = ImageDataCache::memoryBytes / 8 - ImageDataCache::memoryEntryBytes - 256;
    const int fit = int(ImageDataCache::memoryBytes / body);
    for (int i = 0; i <= fit; ++i) {
        f.plain.responses.insert(image(QString::number(i)).toEncoded(), {200, {}, QByteArray(body, char('a' + i))});
        ASSERT_NE(f.cache.data(image(QString::number(i))), std::nullopt);
    }
    EXPECT_FALSE(f.cache.inMemory(image(QStringLiteral("0"))));
    EXPECT_TRUE(f.cache.inMemory(image(QStringLiteral("1"))));
    EXPECT_TRUE(f.cache.inMemory(image(QString::number(fit))));

    const qsizetype before = f.plain.count();
    EXPECT_NE(f.cache.data(image(QStringLiteral("1"))), std::nullopt); // a hit does not refresh its place
    EXPECT_EQ(f.plain.count(), before);
    EXPECT_NE(f.cache.data(image(QStringLiteral("0"))), std::nullopt); // memory only: fetched again
    EXPECT_EQ(f.plain.count(), before + 1);
    EXPECT_FALSE(f.cache.inMemory(image(QStringLiteral("1"))));
}

// Each body kept costs its bookkeeping beside its bytes: a flood of tiny ones holds no more than the share.
TEST(ImageDataCache, TinyBodiesHoldTheShareWithWhatEachCosts)
{
    struct Dot : hub::HTTPTransport {
        HttpResponse send(const HttpRequest&) override { return {200, {}, "."}; }
    } dot;
    ImageDataCache cache({}, policy, hub::PinnedTrust{}, dot, dot);
    const qint64 before = hub::test::heapInUse();
    for (int n = 0; n < 300'000; ++n)
        ASSERT_NE(cache.data(image(QString::number(n))), std::nullopt);
    EXPECT_LT(hub::test::heapInUse() - before, ImageDataCache::memoryBytes);
}

TEST(ImageDataCache, DiskServesLaterCachesWithoutNetwork)
{
    QTemporaryDir folder;
    {
        Fixture f(folder.path());
        ASSERT_EQ(f.cache.data(image(QStringLiteral("a.png"))), image(QStringLiteral("a.png")).toEncoded());
    }
    Fixture later(folder.path());
    later.plain.failing = true;
    EXPECT_EQ(later.cache.data(image(QStringLiteral("a.png"))), image(QStringLiteral("a.png")).toEncoded());
    EXPECT_EQ(later.plain.count(), 0);

    const QString name = ImageDataCache::key(image(QStringLiteral("a.png")));
    EXPECT_EQ(name.size(), 68);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{64}\\.img$")).match(name).hasMatch());
    EXPECT_NE(ImageDataCache::key(image(QStringLiteral("A.png"))), name);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Anything but a regular file within the cap is a miss, read without waiting or following: it goes (not what it
// points at) and the image is fetched again. Each case runs in a child, where a wait or an endless read fails it.
TEST(ImageDataCache, OnlyARegularFileWithinTheCapIsReadFromDisk)
{
    QTemporaryDir folder;
    const QString good = folder.filePath(QStringLiteral("good.png"));
    ASSERT_TRUE(writeFile(good, "picture"));
    const std::pair<const char*, std::function<bool(const QString&)>> cases[] = {
        {"a FIFO", [](const QString& at) { return ::mkfifo(QFile::encodeName(at).constData(), 0600) == 0; }},
        {"a link to /dev/zero", [](const QString& at) { return QFile::link(QStringLiteral("/dev/zero"), at); }},
        {"a link to a good file", [&](const QString& at) { return QFile::link(good, at); }},
        {"an empty file", [](const QString& at) { return writeFile(at, {}); }},
        {"a file over the cap", [](const QString& at) { return writeFile(at, QByteArray(ImageDataCache::maxBytes + 1, 'x')); }},
        {"a folder with a file", [](const QString& at) { return QDir().mkdir(at) && writeFile(at + QStringLiteral("/x"), "x"); }},
    };
    int row = 0;
    for (const auto& [what, make] : cases) {
        for (const bool throughStored : {true, false}) {
            const QUrl url = image(QString::number(++row));
            const QString at = folder.filePath(ImageDataCache::key(url));
            ASSERT_TRUE(make(at)) << what;
            const int outcome = hub::test::runInChild(
                [&] {
                    Fixture f(folder.path());
                    struct stat entry {};
                    if (throughStored && (f.cache.stored(url) || ::lstat(QFile::encodeName(at).constData(), &entry) == 0))
                        return 1; // taken, or left in place
                    if (f.cache.data(url) != url.toEncoded() || f.plain.count() != 1)
                        return 2; // not fetched again
                    if (hub::SmallFile::read(at, ImageDataCache::maxBytes, hub::SmallFile::Links::refuse).bytes != url.toEncoded())
                        return 3; // not stored again
                    return 0;
                },
                qint64(1) << 30);
            EXPECT_EQ(outcome, 0) << what << (throughStored ? " through stored()" : " through data()");
        }
    }
    EXPECT_EQ(hub::SmallFile::read(good, ImageDataCache::maxBytes, hub::SmallFile::Links::refuse).bytes, "picture");
}

TEST(ImageDataCache, PruneRemovesWhatIsOlderThan30Days)
{
    QTemporaryDir folder;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto file = [&](const QString& name, qint64 ageDays) {
        QFile f(folder.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
        f.flush();
        EXPECT_TRUE(f.setFileTime(now.addDays(-ageDays), QFileDevice::FileModificationTime));
    };
    file(QStringLiteral("old.img"), 31);
    file(QStringLiteral("notes.txt"), 31);
    file(QStringLiteral(".hidden"), 31);
    file(QStringLiteral("recent.img"), 29);
    const timespec old[2] = {{now.addDays(-31).toSecsSinceEpoch(), 0}, {now.addDays(-31).toSecsSinceEpoch(), 0}};
    for (const char* target : {"recent.img", "gone.img"}) { // a link goes by its own time, whatever it points at
        const QByteArray link = QFile::encodeName(folder.filePath(QStringLiteral("link-") + QLatin1String(target)));
        EXPECT_TRUE(::symlink(target, link.constData()) == 0 && ::utimensat(AT_FDCWD, link.constData(), old, AT_SYMLINK_NOFOLLOW) == 0);
    }
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("old folder/inner")));
    file(QStringLiteral("old folder/inner/old.img"), 31);
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(folder.filePath(QStringLiteral("old folder"))).constData(), old, 0), 0);
    ImageDataCache::prune(folder.path(), now);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("recent.img")});
    ImageDataCache::prune(folder.filePath(QStringLiteral("missing")), now); // nothing to list: no failure

    // Another process swaps a link in for the cache folder after the cache was made: nothing is removed through it.
    const QString images = folder.filePath(QStringLiteral("images")), elsewhere = folder.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkdir(images) && QDir().mkdir(elsewhere));
    const Fixture f(images);
    file(QStringLiteral("elsewhere/old.img"), 31);
    ASSERT_EQ(hub::test::runInChild([&] { return QDir(images).removeRecursively() && QFile::link(elsewhere, images) ? 0 : 1; }), 0);
    f.cache.pruneDisk(now);
    EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("elsewhere/old.img"))));
}

// Bytes a caller could not decode leave memory and disk and are fetched again, once a run; given up again, the address
// is a miss without any fetch. Other bytes than those held change nothing.
TEST(ImageDataCache, BytesGivenUpAreFetchedAgainOnceARun)
{
    QTemporaryDir folder;
    Fixture f(folder.path());
    const QUrl url = image(QStringLiteral("icon.png"));
    const QByteArray answer = url.toEncoded();
    const QString file = folder.filePath(ImageDataCache::key(url));
    ASSERT_EQ(f.cache.data(url), answer);
    EXPECT_TRUE(f.cache.discard(url, "other bytes"));
    EXPECT_TRUE(f.cache.inMemory(url) && QFile::exists(file));
    EXPECT_TRUE(f.cache.discard(url, answer));
    EXPECT_TRUE(f.cache.discard(url, answer)); // a second caller of the same answer
    EXPECT_FALSE(f.cache.inMemory(url) || QFile::exists(file));
    EXPECT_EQ(f.cache.data(url), answer);
    EXPECT_FALSE(f.cache.discard(url, answer));
    EXPECT_FALSE(f.cache.inMemory(url) || QFile::exists(file));
    EXPECT_EQ(f.cache.data(url), std::nullopt);
    EXPECT_EQ(f.plain.count(), 2);

    // Bytes pushed out of memory before their discard, whatever the disk holds (memory only, a folder that cannot be
    // written, one that can), are fetched again once all the same.
    const auto pushOut = [](Fixture& g) {
        for (int other = 0; other <= ImageDataCache::memoryBytes / ImageDataCache::maxBytes; ++other) {
            g.pinned.responses.insert(image(QString::number(other), "maker.test").toEncoded(), {200, {}, QByteArray(ImageDataCache::maxBytes, 'x')});
            g.cache.data(image(QString::number(other), "maker.test"));
        }
    };
    for (const QString& directory : {QString(), QStringLiteral("/dev/null/images"), folder.path()}) {
        Fixture g(directory);
        for (int showing = 0; showing < 10; ++showing) {
            if (const std::optional<QByteArray> bytes = g.cache.data(url)) {
                pushOut(g);
                EXPECT_FALSE(g.cache.inMemory(url));
                g.cache.discard(url, *bytes);
            }
        }
        EXPECT_EQ(g.plain.count(), 2) << qPrintable(directory);
    }

    // A late caller of the first answer lets go of it once the answer fetched since has left memory, with no disk to
    // tell them apart: the later answer stays good.
    for (const QString& directory : {QString(), QStringLiteral("/dev/null/images")}) {
        Fixture g(directory);
        g.plain.responses.insert(answer, {200, {}, "first"});
        ASSERT_EQ(g.cache.data(url), "first");
        EXPECT_TRUE(g.cache.discard(url, "first"));
        g.plain.responses.insert(answer, {200, {}, "second"});
        ASSERT_EQ(g.cache.data(url), "second");
        pushOut(g);
        EXPECT_TRUE(g.cache.discard(url, "first")) << qPrintable(directory);
        EXPECT_EQ(g.cache.data(url), "second") << qPrintable(directory);
    }
}
