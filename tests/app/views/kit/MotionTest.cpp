// Reduced motion follows the desktop's setting through the portal, live, with the
// variable and a fixed switch above it.

#include "app/platform/DesktopAnimations.h"
#include "app/views/kit/Motion.h"
#include "tests/app/fakes/Await.h"

#include <QDBusVariant>
#include <gtest/gtest.h>

using namespace hub;

namespace {

class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    bool animations = false;

    void change(bool on)
    {
        animations = on;
        emit SettingChanged(DesktopAnimations::settingsNamespace, DesktopAnimations::key, QDBusVariant(on));
    }

public slots:
    QDBusVariant Read(const QString& group, const QString& key)
    {
        if (group != DesktopAnimations::settingsNamespace || key != DesktopAnimations::key)
            return {};
        return QDBusVariant(QVariant::fromValue(QDBusVariant(animations)));
    }

signals:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);
};

} // namespace

TEST(Motion, FollowsTheDesktopSettingUnderTheVariableAndTheFixedSwitch)
{
    QDBusConnection server = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "portal");
    if (!server.isConnected())
        GTEST_SKIP() << "no session bus";
    qunsetenv("TAVREN_HUB_REDUCE_MOTION");
    Motion::setEnabled(std::nullopt);
    qRegisterMetaType<QDBusVariant>();
    FakePortal portal;
    ASSERT_TRUE(server.registerObject(DesktopAnimations::path, &portal,
        QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
    ASSERT_TRUE(server.registerService(DesktopAnimations::service));

    EXPECT_TRUE(Motion::enabled()) << "before the desktop is asked";
    Motion::followDesktop();
    EXPECT_TRUE(test::eventually([] { return !Motion::enabled(); })) << "the desktop turned animations off";
    portal.change(true);
    EXPECT_TRUE(test::eventually([] { return Motion::enabled(); })) << "turned on again while running";

    qputenv("TAVREN_HUB_REDUCE_MOTION", "1");
    EXPECT_FALSE(Motion::enabled()) << "the variable over the desktop";
    qunsetenv("TAVREN_HUB_REDUCE_MOTION");
    portal.change(false);
    ASSERT_TRUE(test::eventually([] { return !Motion::enabled(); }));
    qputenv("TAVREN_HUB_REDUCE_MOTION", "0");
    EXPECT_TRUE(Motion::enabled());
    Motion::setEnabled(false);
    EXPECT_FALSE(Motion::enabled()) << "fixed, as in snapshots";
    qunsetenv("TAVREN_HUB_REDUCE_MOTION");

    server.unregisterService(DesktopAnimations::service);
    QDBusConnection::disconnectFromBus("portal");
}

#include "MotionTest.moc"
