#pragma once

#include "app/model/ModelPools.h"
#include "app/model/Services.h"

#include <QObject>

namespace hub {

class Accounts;
class Banners;
class InstallQueue;
class RefreshCycle;
class StoreCatalog;

// The operations on the user's two accounts: connecting the store by signing in
// or signing up, finishing an identity sign-in, signing a device out and
// disconnecting the store. The form-driven ones throw their errors to the form.
class SignIn : public QObject {
    Q_OBJECT

public:
    struct Parts {
        Banners& banners;
        Accounts& accounts;
        StoreCatalog& catalog;
        InstallQueue& queue;
        RefreshCycle& refresh;
    };

    SignIn(const Services& services, ModelPools& pools, Parts parts, QObject* parent = nullptr);

    // Throws the store client's error unchanged; nothing changes then.
    QCoro::Task<> signInToStore(QString email, QString password);
    QCoro::Task<> createStoreAccount(QString name, QString email, QString password, bool newsletter);
    // After an identity sign-in of either kind. Never throws.
    QCoro::Task<> finishTavrenSignIn();
    // Never throws.
    QCoro::Task<> disconnectStore();

private:
    QCoro::Task<> storeConnected(User user, QString banner);
    void startPendingInstall();

    const Services& services_;
    ModelPools& pools_;
    Parts parts_;
};

} // namespace hub
