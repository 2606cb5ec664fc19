// The launcher count on the session bus follows the number of available updates.

#include "app/platform/DockBadge.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <gtest/gtest.h>

using namespace hub;

namespace {

// What a dock hears: every launcher-entry update on the bus.
class DockListener : public QObject {
    Q_OBJECT
public:
    struct Heard {
        QString app;
        qint64 count;
        bool visible;
        bool operator==(const Heard&) const = default;
    };
    QList<Heard> heard;

public slots:
    void Update(const QString& app, const QVariantMap& properties)
    {
        heard.append({app, properties.value("count").toLongLong(), properties.value("count-visible").toBool()});
    }
};

} // namespace

TEST(DockBadge, TheLauncherCountFollowsTheAvailableUpdates)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        GTEST_SKIP() << "no session bus";
    DockListener dock;
    ASSERT_TRUE(bus.connect({}, {}, DockBadge::interface, "Update", &dock, SLOT(Update(QString, QVariantMap))));
    // The match rule goes to the bus without a reply; a call that is answered after it
    // makes sure the bus has it before the first update is sent.
    ASSERT_TRUE(bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus")).value());

    // Three owned products installed at 1.0; the store offers a and b at 1.1.
    ModelHarness harness;
    harness.holdStoreSession();
    harness.settings->setValue("autoUpdate", false);
    const QList<StorefrontProduct> products{Fixtures::product("a", "Alpha"), Fixtures::product("b", "Beta"), Fixtures::product("c", "Gamma")};
    harness.store.serveStorefront(Fixtures::storefront(products));
    harness.store.serveUser(Fixtures::user("ada@example.test"));
    harness.store.serveOwned({Fixtures::summary("a", "Alpha"), Fixtures::summary("b", "Beta"), Fixtures::summary("c", "Gamma")});
    harness.store.serveProduct(Fixtures::summary("a", "Alpha", "1.1"));
    harness.store.serveProduct(Fixtures::summary("b", "Beta", "1.1"));
    harness.store.serveProduct(Fixtures::summary("c", "Gamma", "1.0"));
    InstallLedger ledger(harness.supportFolder());
    for (const StorefrontProduct& p : products)
        ledger.save(Fixtures::record(p.id, p.name, "1.0"));
    Services services = harness.services();
    auto badge = std::make_shared<DockBadge>(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "dock-badge"));
    services.setDockBadge = [badge](int count) { badge->show(count); };
    AppModel model(std::move(services));

    const QString app = DockBadge::appUri;
    const auto heardLast = [&](const DockListener::Heard& expected) {
        return test::eventually([&] { return !dock.heard.isEmpty() && dock.heard.last() == expected; });
    };
    test::await(model.refresh().refreshAll());
    EXPECT_TRUE(heardLast({app, 2, true}));

    // Refreshing again with nothing new sends nothing new.
    const qsizetype sent = dock.heard.size();
    test::await(model.refresh().refreshAll());
    ledger.save(Fixtures::record("b", "Beta", "1.1"));
    test::await(model.refresh().refreshAll());
    EXPECT_TRUE(heardLast({app, 1, true}));
    EXPECT_EQ(dock.heard.size(), sent + 1);

    // Owning nothing any more leaves nothing to update, at once.
    model.accounts().setStoreOwned({});
    EXPECT_TRUE(heardLast({app, 0, false})) << "cleared at zero";
    QDBusConnection::disconnectFromBus("dock-badge");
}

#include "DockBadgeTest.moc"
