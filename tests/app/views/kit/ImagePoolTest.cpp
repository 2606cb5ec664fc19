#include "app/views/kit/ImageMemory.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/PngBytes.h"
#include "tests/testkit/ForkedChild.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace hub {
namespace {

using test::eventually;

QUrl address(int n)
{
    return QUrl(QStringLiteral("https://assets.test/kept-%1.png").arg(n));
}

// The images kept are counted in their bytes, the least recently used out first; one over the whole share is not kept.
TEST(ImagePool, KeptImagesHoldTheirShareOfBytes)
{
    QImage shot(1200, 675, QImage::Format_RGB32);
    shot.fill(Qt::gray);
    const int fit = int(ImageMemory::keptBytes / shot.sizeInBytes());
    for (int n = 0; n <= fit; ++n) {
        ImageMemory::remember(address(n), shot);
        ASSERT_TRUE(n < 1 || ImageMemory::Held(address(1))) << n; // used: the last to leave
    }
    EXPECT_FALSE(ImageMemory::Held(address(0)));
    EXPECT_TRUE(ImageMemory::Held(address(fit)));

    const QImage whole(4096, 4097, QImage::Format_RGB32);
    ImageMemory::remember(address(-1), whole);
    EXPECT_FALSE(ImageMemory::Held(address(-1)));
    EXPECT_TRUE(ImageMemory::Held(address(1)));
}

// Each image kept costs its bookkeeping beside its pixels: a flood of tiny ones holds no more than the share.
TEST(ImagePool, TinyImagesHoldTheShareWithWhatEachCosts)
{
    QImage dot(1, 1, QImage::Format_RGB32);
    dot.fill(Qt::black);
    const qint64 before = test::heapInUse();
    for (int n = 0; n < 400'000; ++n)
        ImageMemory::remember(address(n), dot.copy()); // each of its own pixels
    EXPECT_LT(test::heapInUse() - before, ImageMemory::keptBytes);
}

// A large share waiting is not passed by smaller ones that would fit beside what is held.
TEST(ImagePool, TheBudgetIsServedInTurn)
{
    const qint64 quarter = ImageMemory::decodeBudget / 4;
    ASSERT_TRUE(ImageMemory::takeBudget(3 * quarter));
    std::atomic<int> large = 0, small = 0; // 1 once taken
    std::jthread largeTaker([&] { large = ImageMemory::takeBudget(2 * quarter) ? 1 : -1; });
    ASSERT_TRUE(eventually([] { return ImageMemory::budgetQueue() == 1; }));
    std::jthread smallTaker([&] { small = ImageMemory::takeBudget(quarter / 2) ? 1 : -1; });
    ASSERT_TRUE(eventually([&] { return ImageMemory::budgetQueue() == 2 || small != 0; }));
    EXPECT_EQ(small, 0) << "taken before the large share waiting";
    ImageMemory::giveBudget(3 * quarter);
    largeTaker.join();
    smallTaker.join();
    EXPECT_EQ(large + small, 2);
    ImageMemory::giveBudget(2 * quarter + quarter / 2);
}

// With every decode thread waiting for the budget, the bytes of an address still arrive.
TEST(ImagePool, BytesArriveWhileDecodesWaitForTheBudget)
{
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QByteArray bytes = test::pngBytes(image);
    ImageMemory::setFetch([&](const QUrl&) { return bytes; });
    ASSERT_TRUE(ImageMemory::takeBudget(ImageMemory::decodeBudget));
    std::atomic<int> decoded = 0;
    for (int thread = 0; thread < ImageMemory::pool().maxThreadCount(); ++thread)
        ImageMemory::pool().start([&] { decoded += ImageMemory::decode(bytes, 0).has_value(); });
    ASSERT_TRUE(eventually([] { return ImageMemory::budgetQueue() == ImageMemory::pool().maxThreadCount(); }));
    std::optional<QByteArray> arrived;
    QObject context;
    ImageMemory::requestBytes(address(0), &context, [&](const std::optional<QByteArray>& answer) { arrived = answer; });
    EXPECT_TRUE(eventually([&] { return arrived.has_value(); }));
    ImageMemory::giveBudget(ImageMemory::decodeBudget);
    ImageMemory::waitForIdle();
    EXPECT_EQ(decoded, ImageMemory::pool().maxThreadCount());
    EXPECT_EQ(arrived, bytes);
    ImageMemory::setFetch({});
}

} // namespace
} // namespace hub
