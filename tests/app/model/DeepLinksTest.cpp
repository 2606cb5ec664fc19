#include "app/model/DeepLink.h"
#include "app/platform/SingleInstance.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QTemporaryDir>
#include <future>
#include <gtest/gtest.h>

using namespace hub;

TEST(DeepLinks, ReadFromTheRawText)
{
    using K = DeepLink::Kind;
    const struct {
        const char* text;
        std::optional<K> kind; // none: not ours
        QString productId;
    } cases[] = {
        {"tavren-hub://product/abc", K::product, "abc"},
        {"tavren-hub:///product/abc/more?x=1#top", K::product, "abc"},
        {"tavren-hub://product/a%2Fb%20c", K::product, "a/b c"},
        {"tavren-hub://product", K::none, ""},
        {"tavren-hub://product/", K::none, ""},
        {"tavren-hub:///updates", K::updates, ""},
        {"tavren-hub://library/extra/parts", K::library, ""},
        {"tavren-hub:///Library", K::none, ""},
        {"tavren-hub://unknown", K::none, ""},
        {"tavren-hub://", K::none, ""},
        {"tavren-hub:library", K::library, ""},
        {"TAVREN-HUB://library", std::nullopt, ""},
        {"https://product/abc", std::nullopt, ""},
        {"product/abc", std::nullopt, ""},
    };
    for (const auto& c : cases) {
        const std::optional<DeepLink> link = DeepLink::parse(QString::fromUtf8(c.text));
        ASSERT_EQ(link.has_value(), c.kind.has_value()) << c.text;
        if (link) {
            EXPECT_EQ(link->kind, *c.kind) << c.text;
            EXPECT_EQ(link->productId, c.productId) << c.text;
        }
    }
}

TEST(DeepLinks, ASecondInstanceHandsItsLinkToTheFirst)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    QTemporaryDir folder;
    SingleInstance primary(folder.path());
    ASSERT_TRUE(primary.claim());
    model->links().follow(primary);
    model->navigation().setSelection(HubSection::apps);

    model->links().open("TAVREN-HUB://library");
    EXPECT_EQ(harness.desktop.activations, 0) << "another scheme does not even bring the app forward";
    model->links().open("tavren-hub://unknown");
    EXPECT_EQ(harness.desktop.activations, 1);
    EXPECT_EQ(model->navigation().selection(), HubSection::apps);

    // The second instance blocks while it sends; the first serves meanwhile.
    std::future<bool> sent = std::async(std::launch::async, [&] { return SingleInstance(folder.path()).claimOrSend("tavren-hub://product/abc") == SingleInstance::Start::handedOver; });
    ASSERT_TRUE(test::eventually([&] { return !model->navigation().path().isEmpty(); }));
    EXPECT_TRUE(sent.get());
    EXPECT_EQ(model->navigation().path(), QStringList({"abc"}));
    EXPECT_EQ(harness.desktop.activations, 2);

    // A second start without a link only brings the app forward.
    std::future<bool> plain = std::async(std::launch::async, [&] { return SingleInstance(folder.path()).claimOrSend("") == SingleInstance::Start::handedOver; });
    ASSERT_TRUE(test::eventually([&] { return harness.desktop.activations == 3; }));
    EXPECT_TRUE(plain.get());
    EXPECT_EQ(model->navigation().path(), QStringList({"abc"}));
}

TEST(DeepLinks, TheLinkTheAppWasStartedWithIsOpened)
{
    const struct {
        QStringList arguments;
        std::optional<QString> link;
        QStringList path;
        int activations;
    } cases[] = {
        {{"tavren-hub"}, std::nullopt, {}, 0},
        {{"tavren-hub", "tavren-hub://product/abc"}, "tavren-hub://product/abc", {"abc"}, 1},
        {{"tavren-hub", "--cold", "tavren-hub:///updates", "tavren-hub://product/x"}, "tavren-hub:///updates", {}, 1},
        {{"tavren-hub", "--open", "product:abc"}, std::nullopt, {}, 0},
        {{"tavren-hub", "https://product/abc"}, std::nullopt, {}, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LaunchArguments(c.arguments).link(), c.link) << c.arguments.join(' ').toStdString();
        ModelHarness harness;
        harness.arguments = c.arguments;
        const auto model = harness.makeModel();
        model->links().openLaunchLink();
        EXPECT_EQ(model->navigation().path(), c.path) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(harness.desktop.activations, c.activations) << c.arguments.join(' ').toStdString();
    }
}
