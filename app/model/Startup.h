#pragma once

#include "app/model/CartLine.h"
#include "app/model/Services.h"

#include <QObject>

namespace hub {

class AppModel;
class Accounts;
class Banners;
class Navigation;
class Preferences;
class RefreshCycle;
class StoreCatalog;

// The app's first moments: the last storefront from the snapshot cache before
// any network call, then the welcome, the first refresh, the launch arguments and
// the 6-hour loop.
class Startup : public QObject {
    Q_OBJECT

public:
    static inline const QString welcome =
        QStringLiteral("Welcome to the Tavren Hub beta. If anything breaks, Help > Send Beta Feedback tells us.");

    struct Parts {
        Preferences& preferences;
        Banners& banners;
        Navigation& navigation;
        Accounts& accounts;
        StoreCatalog& catalog;
        RefreshCycle& refresh;
    };

    Startup(const Services& services, Parts parts, AppModel& model, QObject* parent = nullptr);

    // Shows the storefront that the snapshot cache holds, unless "--cold". Synchronous: part of init.
    // What the first screen does without waits for afterFirstContent().
    void restoreFromDisk();
    // Once the first screen is drawn (or the first refresh is done, whichever comes first):
    // the cached extras and the snapshot's search index. Once per process.
    void afterFirstContent();
    // The main window's first task. The welcome, "--open" and "--snapshot" act once
    // per process however often it runs; the update loop is started once.
    QCoro::Task<> start();

signals:
    // SEAM: "--open checkout:<id>" asks for a checkout of one line, not clearing the cart.
    void checkoutRequested(const QList<hub::CartLine>& lines, bool clearsCart);

private:
    void restoreExtras();
    void openFromLaunchArguments();
    QCoro::Task<> snapshotFromLaunchArguments();

    const Services& services_;
    Parts parts_;
    AppModel& model_;
    bool started_ = false;
    bool restDone_ = false;
};

} // namespace hub
