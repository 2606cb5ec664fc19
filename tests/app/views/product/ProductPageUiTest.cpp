// The product page over a model whose storefront is replaced while the page is open.

#include "app/views/kit/ActionButton.h"
#include "app/views/kit/FocusKeeper.h"
#include "app/views/kit/ImageMemory.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/ScreenshotGallery.h"
#include "app/views/product/ProductPage.h"
#include "app/views/product/ReviewsSection.h"
#include "kit/security/HostPolicy.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"
#include "tests/testkit/ScriptedTransport.h"

#include <QApplication>
#include <QJsonDocument>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSemaphore>
#include <algorithm>
#include <gtest/gtest.h>

using namespace hub;

TEST(ProductPageUi, EveryPartFollowsTheProductOfANewStorefront)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    const StorefrontProduct before = Fixtures::product("a", "Alpha", 10.0);
    model->catalog().setStorefront(Fixtures::storefront({before}));
    model->reviews().storePage("a", ReviewPage{"a", {}, {}, std::nullopt});
    ProductPage page(*model, before);
    page.show();
    const ActionButton* action = page.findChild<ActionButton*>();
    ASSERT_NE(action, nullptr);
    ASSERT_EQ(action->state().title, model->cart().price(*before.defaultVariation));

    ImageMemory::setFetch([](const QUrl&) { return std::optional<QByteArray>(); }); // no icon from the network
    StorefrontProduct after = Fixtures::product("a", "Alpha Two", 25.0);
    after.iconUrl = QStringLiteral("https://%1/icons/new.png").arg(*HostPolicy::tavren().assetHosts.begin());
    model->catalog().setStorefront(Fixtures::storefront({after}));
    EXPECT_TRUE(test::eventually([&] { return action->state().title == model->cart().price(*after.defaultVariation); }))
        << action->state().title.toStdString();

    // The header's icon, the gallery's stand-ins and the reviews' empty text take the new name and icon.
    const QUrl icon(*after.iconUrl);
    const QList<ProductIcon*> icons = page.findChildren<ProductIcon*>();
    EXPECT_EQ(std::count_if(icons.begin(), icons.end(), [&](ProductIcon* shown) { return shown->width() == 140 && shown->url() == icon; }), 1)
        << "the header's";
    ASSERT_FALSE(page.gallery()->cells().isEmpty());
    for (QWidget* cell : page.gallery()->cells()) {
        EXPECT_EQ(cell->accessibleName(), "Alpha Two preview placeholder");
        EXPECT_EQ(cell->findChild<ProductIcon*>()->url(), icon);
    }
    EXPECT_TRUE(test::eventually([&] {
        return page.reviews()->screen().message == "No reviews yet. If you own or have tried Alpha Two, yours can be the first.";
    })) << page.reviews()->screen().message.toStdString();
    ImageMemory::waitForIdle();
    ImageMemory::setFetch({});
}

TEST(ProductPageUi, ReviewsLoadEachTimeThePageComesBackAndItsNotesAreDroppedOnceItWent)
{
    ModelHarness harness;
    QSemaphore notes;
    harness.store.transport()->route("GET", "/api/customer/inventory/products/a",
        [&notes, body = QJsonDocument(Fixtures::summary("a", "Alpha", "2.0").toJson()).toJson()](const HttpRequest&) {
            notes.acquire();
            return ScriptedTransport::response(200, body);
        });
    harness.identity->route("GET", "/id/reviews", 500, "{}");
    const auto model = harness.makeModel();
    model->catalog().setStorefront(Fixtures::storefront({Fixtures::product("a", "Alpha", 10.0, "2.0")}));
    ProductPage page(*model, *model->catalog().storeProduct("a"));
    const auto shows = [&](const QString& text) { return test::eventually([&] { return page.reviews()->screen().message == text; }); };
    page.show();
    ASSERT_TRUE(shows("Reviews could not be loaded right now."));
    ASSERT_TRUE(test::eventually([&] { return harness.store.calls("/api/customer/inventory/products/a") == 1; }));
    // Hidden under the next page and shown again on Back.
    harness.identity->route("GET", "/id/reviews", 200, QJsonDocument(ReviewPage{"a", {}, {}, std::nullopt}.toJson()).toJson());
    page.hide();
    notes.release();
    model->pools().reads.waitForDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(model->library().releaseNotes().contains("a")) << "asked for by a page that has gone";
    page.show();
    notes.release();
    EXPECT_TRUE(shows("No reviews yet. If you own or have tried Alpha, yours can be the first."));
    EXPECT_TRUE(test::eventually([&] { return model->library().releaseNotes().contains("a"); }));
}

TEST(ProductPageUi, EveryFactHasADividerOnItsTrailingEdge)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    model->catalog().setStorefront(Fixtures::storefront({Fixtures::product("a", "Alpha", 10.0)}));
    ProductPage page(*model, *model->catalog().storeProduct("a"));
    page.resize(1000, 800);
    page.show();
    QCoreApplication::processEvents();
    const QWidget* facts = page.findChild<QWidget*>(QStringLiteral("facts"));
    ASSERT_NE(facts, nullptr);
    // Left to right, each cell (a caption over its value, one left edge) and then an upright line.
    QMap<int, QString> row;
    for (const QWidget* child : facts->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (qobject_cast<const QLabel*>(child) || child->height() > child->width())
            row[child->x()] = qobject_cast<const QLabel*>(child) ? QStringLiteral("c") : QStringLiteral("|");
    const QString order = row.values().join(QString());
    EXPECT_GE(order.size(), 4);
    EXPECT_EQ(order, QStringLiteral("c|").repeated(order.size() / 2));
}

// A Refresh finds the product owned while Add to Cart has the focus and the page is scrolled: it stays where it is.
TEST(ProductPageUi, ARefreshThatHidesTheFocusedControlKeepsTheScroll)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    model->catalog().setStorefront(Fixtures::storefront({Fixtures::product("a", "Alpha", 10.0)}));
    ProductPage page(*model, *model->catalog().storeProduct("a"));
    new FocusKeeper(&page);
    page.resize(1000, 400);
    page.show();
    QApplication::setActiveWindow(&page);
    QCoreApplication::processEvents();
    const QList<QPushButton*> buttons = page.findChildren<QPushButton*>();
    QPushButton* addToCart = *std::find_if(buttons.begin(), buttons.end(), [](auto* b) { return b->text() == u"Add to Cart"; });
    addToCart->setFocus(Qt::TabFocusReason);
    QScrollBar* bar = page.verticalScrollBar();
    bar->setValue(bar->maximum());
    ASSERT_GT(bar->value(), 0);
    model->accounts().setTavrenProfile(Fixtures::profile("ada@tavren.test", QStringList{"a"}));
    ASSERT_TRUE(test::eventually([&] { return !addToCart->isVisible(); }));
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_TRUE(page.isAncestorOf(QApplication::focusWidget()));
}
