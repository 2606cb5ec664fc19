#include "app/views/kit/PagePresenter.h"

#include <QList>
#include <gtest/gtest.h>

namespace hub {
namespace {

StorefrontProduct product(const QString& id, const QString& name = {})
{
    StorefrontProduct p;
    p.id = id;
    p.name = name.isEmpty() ? id : name;
    return p;
}

QStringList ids(const QList<StorefrontProduct>& products)
{
    QStringList list;
    for (const StorefrontProduct& p : products)
        list << p.id + (p.name == p.id ? "" : "/" + p.name);
    return list;
}

TEST(PagePresenter, AShelfShowsNineDistinctProductsTheFirstOfEachId)
{
    QList<StorefrontProduct> twelve;
    for (int i = 0; i < 12; ++i)
        twelve << product(QString::number(i));
    EXPECT_EQ(ids(PagePresenter::shelfProducts(twelve)), QStringList({"0", "1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_TRUE(PagePresenter::shelfProducts({}).isEmpty());

    // Repeats are dropped before the nine are taken, keeping the first.
    QList<StorefrontProduct> repeated{product("a", "first"), product("b"), product("a", "second")};
    for (int i = 0; i < 9; ++i)
        repeated << product(QString::number(i));
    EXPECT_EQ(ids(PagePresenter::shelfProducts(repeated)),
        QStringList({"a/first", "b", "0", "1", "2", "3", "4", "5", "6"}));

    StorefrontProduct tagged = product("t");
    tagged.tagline = "Warm tape";
    EXPECT_EQ(PagePresenter::tileSubtitle(tagged, "Dynamics"), "Warm tape");
    EXPECT_EQ(PagePresenter::tileSubtitle(product("u"), "Plug-ins"), "Plug-ins");
}

TEST(PagePresenter, AccountLinesFooterAndAvatar)
{
    EXPECT_EQ(PagePresenter::accountLine(true, true), "Tavren ID and store");
    EXPECT_EQ(PagePresenter::accountLine(true, false), "Store account");
    EXPECT_EQ(PagePresenter::accountLine(false, true), "Tavren ID");
    EXPECT_EQ(PagePresenter::accountLine(false, false), "");

    using Footer = PagePresenter::Footer;
    EXPECT_EQ(PagePresenter::footer(false, false, "Not signed in", std::nullopt), (Footer{false, "?", "Sign In", ""}));
    EXPECT_EQ(PagePresenter::footer(false, true, "id@tavren.test", "id@tavren.test"),
        (Footer{true, "id@tavren.test", "id@tavren.test", "Tavren ID"}));
    EXPECT_EQ(PagePresenter::footer(true, false, "shop@tavren.test", "shop@tavren.test"),
        (Footer{true, "shop@tavren.test", "shop@tavren.test", "Store account"}));
    EXPECT_EQ(PagePresenter::footer(true, true, "Demo Customer", "id@tavren.test"),
        (Footer{true, "id@tavren.test", "Demo Customer", "Tavren ID and store"}));

    EXPECT_EQ(PagePresenter::initial("demo@tavren.test"), "D");
    EXPECT_EQ(PagePresenter::initial("7seas@tavren.test"), "7");
    EXPECT_EQ(PagePresenter::initial(QString::fromUtf8("\xC3\xA9mile")), QString::fromUtf8("\xC3\x89"));
    EXPECT_DOUBLE_EQ(PagePresenter::initialSize(30), 13.5);

    EXPECT_EQ(PagePresenter::signInPrompt(true), (PagePresenter::Prompt{"Connect your store account", "Connect"}));
    EXPECT_EQ(PagePresenter::signInPrompt(false), (PagePresenter::Prompt{"Sign in", "Sign in"}));
}

} // namespace
} // namespace hub
