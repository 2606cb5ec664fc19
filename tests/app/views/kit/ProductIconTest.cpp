#include "app/views/kit/ProductIconPresenter.h"

#include "kit/security/HostPolicy.h"

#include <gtest/gtest.h>

namespace hub {
namespace {

TEST(ProductIconPresenter, OnlyAnAllowedImageAddressIsLoaded)
{
    const HostPolicy policy{"api.test", {"assets.test"}, {}};
    const QUrl allowed("https://assets.test/icon.png");
    EXPECT_EQ(ProductIconPresenter::imageUrl(allowed.toString(), policy), allowed);
    for (const std::optional<QString>& refused : {std::optional<QString>(), std::optional<QString>(""),
             std::optional<QString>("not a url %%"), std::optional<QString>("https://elsewhere.example/icon.png"),
             std::optional<QString>("http://" + allowed.host() + "/icon.png")})
        EXPECT_FALSE(ProductIconPresenter::imageUrl(refused, policy)) << refused.value_or("(none)").toStdString();
}

TEST(ProductIconPresenter, SizesShadowsAndMonogram)
{
    EXPECT_EQ(ProductIconPresenter::maxPixels(58), 128);
    EXPECT_EQ(ProductIconPresenter::maxPixels(64), 128);
    EXPECT_EQ(ProductIconPresenter::maxPixels(100), 200);
    EXPECT_EQ(ProductIconPresenter::maxPixels(100.7), 201);
    EXPECT_DOUBLE_EQ(ProductIconPresenter::cornerRadius(58), 13.05);
    EXPECT_EQ(ProductIconPresenter::shadow(60), (ProductIconPresenter::Shadow{0.08, 2, 1}));
    EXPECT_EQ(ProductIconPresenter::shadow(61), (ProductIconPresenter::Shadow{0.18, 6, 3}));

    const QList<std::pair<QString, QString>> names{
        {"reverb", "r"},
        {"Reverb", "R"},
        {"", ""},
        {QString::fromUtf8("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD thumbs"), QString::fromUtf8("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD")},
        {QString::fromUtf8("e\xCC\x81t\xC3\xA9"), QString::fromUtf8("e\xCC\x81")},
        {QString::fromUtf8("\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA flag"), QString::fromUtf8("\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA")},
    };
    for (const auto& [name, monogram] : names)
        EXPECT_EQ(ProductIconPresenter::monogram(name), monogram) << name.toStdString();
}

} // namespace
} // namespace hub
