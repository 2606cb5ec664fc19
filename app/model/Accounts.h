#pragma once

#include "app/model/SignInPurpose.h"
#include "kit/api/ProductSummary.h"
#include "kit/api/TavrenIDProfile.h"
#include "kit/api/TavrenIDPurchase.h"
#include "kit/api/TavrenIDSession.h"
#include "kit/api/User.h"

#include <QObject>
#include <optional>

namespace hub {

// The user's two accounts as the model knows them, and the sign-in sheet.
class Accounts : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<hub::User> storeUser READ storeUser NOTIFY storeUserChanged)
    Q_PROPERTY(QList<hub::ProductSummary> storeOwned READ storeOwned NOTIFY storeOwnedChanged)
    Q_PROPERTY(std::optional<hub::TavrenIDProfile> tavrenProfile READ tavrenProfile NOTIFY tavrenProfileChanged)
    Q_PROPERTY(QList<hub::TavrenIDSession> tavrenSessions READ tavrenSessions NOTIFY tavrenSessionsChanged)
    Q_PROPERTY(QList<hub::TavrenIDPurchase> tavrenPurchases READ tavrenPurchases NOTIFY tavrenPurchasesChanged)
    Q_PROPERTY(bool showSignIn READ showSignIn NOTIFY showSignInChanged)
    Q_PROPERTY(hub::SignInPurpose signInPurpose READ signInPurpose NOTIFY signInPurposeChanged)

public:
    explicit Accounts(QObject* parent = nullptr);

    const std::optional<User>& storeUser() const { return storeUser_; }
    const QList<ProductSummary>& storeOwned() const { return storeOwned_; }
    const std::optional<TavrenIDProfile>& tavrenProfile() const { return tavrenProfile_; }
    const QList<TavrenIDSession>& tavrenSessions() const { return tavrenSessions_; }
    const QList<TavrenIDPurchase>& tavrenPurchases() const { return tavrenPurchases_; }
    bool showSignIn() const { return showSignIn_; }
    const SignInPurpose& signInPurpose() const { return signInPurpose_; }

    // Move on whenever the account shown becomes another one or none. An answer
    // asked for under one value is dropped when it lands under another.
    quint64 storeSession() const { return storeSession_; }
    quint64 identitySession() const { return identitySession_; }

    void setStoreUser(const std::optional<User>& user);
    void setStoreOwned(const QList<ProductSummary>& owned); // kept as given
    void setTavrenProfile(const std::optional<TavrenIDProfile>& profile);
    void setTavrenSessions(const QList<TavrenIDSession>& sessions);
    void setTavrenPurchases(const QList<TavrenIDPurchase>& purchases);
    void setShowSignIn(bool show);
    void setSignInPurpose(const SignInPurpose& purpose);

    // Sets the purpose, then shows the sheet.
    void openSignIn(const SignInPurpose& purpose);
    // The store account shown as disconnected: no user, nothing owned. Ends the store session.
    void clearStore();
    // The identity account shown as signed out: no profile, devices or purchases. Ends the identity session.
    void clearTavrenID();

    // The e-mail to show for the signed-in person: the identity account's, else the store's.
    std::optional<QString> displayEmail() const;
    // The store name, else the identity e-mail, else the store e-mail, else "Not signed in".
    QString displayName() const;
    // The ids the person owns: the store's owned records, the identity account's
    // products and the store user's own list, as owns() counts them.
    bool owns(const QString& id) const;
    // The ids the Library lists: the store's owned records and the identity account's
    // products, not the store user's own list.
    QSet<QString> libraryIds() const;

signals:
    void storeUserChanged();
    void storeOwnedChanged();
    void tavrenProfileChanged();
    void tavrenSessionsChanged();
    void tavrenPurchasesChanged();
    void showSignInChanged();
    void signInPurposeChanged();
    // The identity session moved on: what was cached for the person before is theirs only.
    void identitySessionEnded();

private:
    void endIdentitySession();

    std::optional<User> storeUser_;
    QList<ProductSummary> storeOwned_;
    std::optional<TavrenIDProfile> tavrenProfile_;
    QList<TavrenIDSession> tavrenSessions_;
    QList<TavrenIDPurchase> tavrenPurchases_;
    bool showSignIn_ = false;
    SignInPurpose signInPurpose_;
    quint64 storeSession_ = 0;
    quint64 identitySession_ = 0;
};

} // namespace hub
