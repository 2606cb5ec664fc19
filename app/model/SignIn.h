#pragma once

#include "app/model/ModelPools.h"
#include "app/model/Services.h"

#include "kit/api/LoopbackReceiver.h"
#include "kit/api/TavrenIDProvider.h"
#include "kit/api/TavrenIDSession.h"

#include <QObject>
#include <memory>
#include <stop_token>
#include <vector>

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

    // The longest a browser sign-in waits for its callback.
    static constexpr std::chrono::seconds browserWait{300};

    SignIn(const Services& services, ModelPools& pools, Parts parts, QObject* parent = nullptr);

    // Throws the store client's error unchanged; nothing changes then.
    QCoro::Task<> signInToStore(QString email, QString password);
    QCoro::Task<> createStoreAccount(QString name, QString email, QString password, bool newsletter);
    // Signs in to Tavren ID in the browser: a loopback receiver for the callback,
    // the provider's start page opened, the code exchanged and the profile fetched.
    // Throws the receiver's or the client's error unchanged (CancellationError when
    // `stop` is stopped); the model changes only once the profile is in.
    QCoro::Task<> signInWithProvider(TavrenIDProvider provider, std::stop_token stop = {});
    // Asks the identity service to email a sign-in code. Throws the client's error.
    QCoro::Task<> requestCode(QString email);
    // Checks an emailed code (throws the client's error, the model unchanged), then
    // holds the returned profile and finishes the sign-in.
    QCoro::Task<> signInWithCode(QString email, QString code);
    // Asks the store to email a password reset link. Throws the client's error.
    QCoro::Task<> forgotPassword(QString email);
    // After an identity sign-in of either kind. Never throws.
    QCoro::Task<> finishTavrenSignIn();
    // Signs one device out and reloads the list. Never throws: errors are reported.
    QCoro::Task<> revokeTavrenSession(TavrenIDSession session);
    // Never throws.
    QCoro::Task<> disconnectStore();

    // Ends every browser sign-in still waiting (the app quits).
    void cancelWaits();

private:
    QCoro::Task<> storeConnected(User user, QString banner);
    void startPendingInstall();

    const Services& services_;
    ModelPools& pools_;
    Parts parts_;
    std::vector<std::weak_ptr<LoopbackReceiver>> receivers_;
};

} // namespace hub
