#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QMetaProperty>
#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>

using namespace hub;

namespace {

// For every observable field: an assignment that changes it, and a second, different one.
using Assignment = std::function<void(AppModel&)>;
struct Assignments {
    Assignment first;
    Assignment second;
};

QHash<QString, Assignments> assignments()
{
    const StorefrontProduct gate = Fixtures::product("tv-gate", "Gate");
    return {
        {"Preferences::currency", {[](AppModel& m) { m.preferences().setCurrency("USD"); }, [](AppModel& m) { m.preferences().setCurrency("GBP"); }}},
        {"Preferences::wishlist", {[](AppModel& m) { m.preferences().setWishlist({"a"}); }, [](AppModel& m) { m.preferences().setWishlist({"a", "b"}); }}},
        {"Preferences::autoUpdate", {[](AppModel& m) { m.preferences().setAutoUpdate(false); }, [](AppModel& m) { m.preferences().setAutoUpdate(true); }}},
        {"Navigation::selection", {[](AppModel& m) { m.navigation().setSelection(HubSection::apps); }, [](AppModel& m) { m.navigation().setSelection(std::nullopt); }}},
        {"Navigation::path", {[](AppModel& m) { m.navigation().setPath({"a"}); }, [](AppModel& m) { m.navigation().setPath({"a", "b"}); }}},
        {"Navigation::search", {[](AppModel& m) { m.navigation().setSearch("re"); }, [](AppModel& m) { m.navigation().setSearch("rev"); }}},
        {"Accounts::storeUser", {[](AppModel& m) { m.accounts().setStoreUser(Fixtures::user("a@example.test")); },
                                    [](AppModel& m) { m.accounts().setStoreUser(std::nullopt); }}},
        {"Accounts::storeOwned", {[](AppModel& m) { m.accounts().setStoreOwned({Fixtures::summary("a", "A")}); },
                                     [](AppModel& m) { m.accounts().setStoreOwned({}); }}},
        {"Accounts::tavrenProfile", {[](AppModel& m) { m.accounts().setTavrenProfile(Fixtures::profile("a@example.test")); },
                                        [](AppModel& m) { m.accounts().setTavrenProfile(Fixtures::profile("b@example.test")); }}},
        {"Accounts::tavrenSessions", {[](AppModel& m) { m.accounts().setTavrenSessions({Fixtures::session("s1", "Laptop")}); },
                                         [](AppModel& m) { m.accounts().setTavrenSessions({}); }}},
        {"Accounts::tavrenPurchases", {[](AppModel& m) { m.accounts().setTavrenPurchases({Fixtures::purchase("p1", "a")}); },
                                          [](AppModel& m) { m.accounts().setTavrenPurchases({}); }}},
        {"StoreCatalog::extras", {[](AppModel& m) { m.catalog().setExtras(Fixtures::extras({"Tuner"})); },
                                     [](AppModel& m) { m.catalog().setExtras(std::nullopt); }}},
        {"Accounts::showSignIn", {[](AppModel& m) { m.accounts().setShowSignIn(true); }, [](AppModel& m) { m.accounts().setShowSignIn(false); }}},
        {"Accounts::signInPurpose", {[](AppModel& m) { m.accounts().setSignInPurpose(SignInPurpose::connectStore("a")); },
                                        [](AppModel& m) { m.accounts().setSignInPurpose(SignInPurpose::connectStore("b")); }}},
        {"StoreCatalog::storefront", {[=](AppModel& m) { m.catalog().setStorefront(Fixtures::storefront({gate})); },
                                         [](AppModel& m) { m.catalog().setStorefront(std::nullopt); }}},
        {"StoreCatalog::storefrontIsCached", {[](AppModel& m) { m.catalog().setStorefrontIsCached(true); },
                                                 [](AppModel& m) { m.catalog().setStorefrontIsCached(false); }}},
        {"StoreCatalog::searchIndex", {[=](AppModel& m) { m.catalog().setStorefront(Fixtures::storefront({gate})); },
                                          [](AppModel& m) { m.catalog().setStorefront(Fixtures::storefront({})); }}},
        {"Library::installed", {[](AppModel& m) { m.library().setInstalled({Fixtures::record("a", "A", "1")}); },
                                   [](AppModel& m) { m.library().setInstalled({}); }}},
        {"Library::releaseNotes", {[](AppModel& m) { m.library().mergeReleaseNotes({{"a", Fixtures::summary("a", "A")}}); },
                                      [](AppModel& m) { m.library().mergeReleaseNotes({{"a", Fixtures::summary("a", "A", "2")}}); }}},
        {"InstallQueue::pendingInstall", {[=](AppModel& m) { m.queue().setPendingInstall(PendingInstall{gate, std::nullopt}); },
                                             [](AppModel& m) { m.queue().setPendingInstall(std::nullopt); }}},
        {"InstallQueue::jobs", {[=](AppModel& m) {
                                    m.accounts().setStoreUser(Fixtures::user("a@example.test"));
                                    m.queue().install(gate); // a second press while it runs changes nothing
                                },
                                   [](AppModel& m) { m.queue().cancel(m.queue().jobs().first()); }}},
        {"Banners::banners", {[](AppModel& m) {
                                  if (m.banners().banners().isEmpty())
                                      m.banners().flash(Banner::Tone::info, "once");
                              },
                                 [](AppModel& m) { m.banners().dismiss(m.banners().banners().first().id); }}},
        {"Cart::cart", {[=](AppModel& m) { m.cart().addToCart(gate); }, [=](AppModel& m) { m.cart().removeFromCart({gate, {}}); }}},
        {"Checkout::checkout", {[](AppModel& m) { m.checkout().setCheckout(CheckoutSession{"o1", {}, {}, {}, {}, false}); },
                                   [](AppModel& m) { m.checkout().cancel(); }}},
        {"Reviews::reviewPages", {[](AppModel& m) { m.reviews().storePage("a", ReviewPage{"a", {}, {}, "c1"}); },
                                     [](AppModel& m) { m.reviews().storePage("a", ReviewPage{"a", {}, {}, std::nullopt}); }}},
        {"Reviews::reviewsUnavailable", {[](AppModel& m) { m.reviews().markUnavailable("a", true); },
                                            [](AppModel& m) { m.reviews().markUnavailable("a", false); }}},
        {"Reviews::myReviews", {[](AppModel& m) { m.reviews().setMyReview("a", MyReview{}); },
                                   [](AppModel& m) { m.reviews().setMyReview("a", std::nullopt); }}},
        {"RefreshCycle::loading", {[](AppModel& m) { m.refresh().setLoading(true); }, [](AppModel& m) { m.refresh().setLoading(false); }}},
        {"RefreshCycle::lastChecked", {[](AppModel& m) { m.refresh().setLastChecked(QDateTime::fromSecsSinceEpoch(1)); },
                                          [](AppModel& m) { m.refresh().setLastChecked(QDateTime::fromSecsSinceEpoch(2)); }}},
    };
}

} // namespace

// Every observable field of every part: one NOTIFY per real change, none for an equal value.
TEST(NotifySignals, EachFieldNotifiesOncePerRealChange)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    const QHash<QString, Assignments> table = assignments();
    int checked = 0;
    for (QObject* part : model->children()) {
        const QMetaObject* meta = part->metaObject();
        for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
            const QMetaProperty property = meta->property(i);
            const QString key = QString::fromLatin1(meta->className()).remove("hub::") + "::" + property.name();
            SCOPED_TRACE(key.toStdString());
            ASSERT_TRUE(property.hasNotifySignal());
            EXPECT_FALSE(property.isWritable()) << "fields change through the part's operations";
            ASSERT_TRUE(table.contains(key)) << "no assignment for this field in the test's table";
            QSignalSpy spy(part, property.notifySignal());
            const Assignments& assign = table[key];
            assign.first(*model);
            EXPECT_EQ(spy.count(), 1);
            assign.first(*model);
            EXPECT_EQ(spy.count(), 1);
            assign.second(*model);
            EXPECT_EQ(spy.count(), 2);
            ++checked;
        }
    }
    EXPECT_EQ(checked, table.size());
}
