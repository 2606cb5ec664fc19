#include "app/model/Accounts.h"

#include "app/model/Assign.h"

#include <QSet>

namespace hub {

Accounts::Accounts(QObject* parent) : QObject(parent) {}

void Accounts::setStoreUser(const std::optional<User>& user)
{
    const auto userId = [](const std::optional<User>& u) { return u ? std::optional(u->id) : std::nullopt; };
    if (userId(user) != userId(storeUser_))
        ++storeSession_;
    if (assign(storeUser_, user))
        emit storeUserChanged();
}

void Accounts::setStoreOwned(const QList<ProductSummary>& owned)
{
    if (assign(storeOwned_, owned))
        emit storeOwnedChanged();
}

void Accounts::setTavrenProfile(const std::optional<TavrenIDProfile>& profile)
{
    const auto userId = [](const std::optional<TavrenIDProfile>& p) { return p ? std::optional(p->user.id) : std::nullopt; };
    if (userId(profile) != userId(tavrenProfile_))
        endIdentitySession();
    if (assign(tavrenProfile_, profile))
        emit tavrenProfileChanged();
}

void Accounts::setTavrenSessions(const QList<TavrenIDSession>& sessions)
{
    if (assign(tavrenSessions_, sessions))
        emit tavrenSessionsChanged();
}

void Accounts::setTavrenPurchases(const QList<TavrenIDPurchase>& purchases)
{
    if (assign(tavrenPurchases_, purchases))
        emit tavrenPurchasesChanged();
}

void Accounts::setShowSignIn(bool show)
{
    if (assign(showSignIn_, show))
        emit showSignInChanged();
}

void Accounts::setSignInPurpose(const SignInPurpose& purpose)
{
    if (assign(signInPurpose_, purpose))
        emit signInPurposeChanged();
}

void Accounts::openSignIn(const SignInPurpose& purpose)
{
    setSignInPurpose(purpose);
    setShowSignIn(true);
}

void Accounts::clearStore()
{
    ++storeSession_;
    setStoreUser(std::nullopt);
    setStoreOwned({});
}

void Accounts::endIdentitySession()
{
    ++identitySession_;
    emit identitySessionEnded();
}

void Accounts::clearTavrenID()
{
    endIdentitySession();
    setTavrenProfile(std::nullopt);
    setTavrenSessions({});
    setTavrenPurchases({});
}

std::optional<QString> Accounts::displayEmail() const
{
    if (tavrenProfile_)
        return tavrenProfile_->user.email;
    if (storeUser_)
        return storeUser_->email;
    return std::nullopt;
}

QString Accounts::displayName() const
{
    if (storeUser_ && !storeUser_->name.isEmpty())
        return storeUser_->name;
    if (tavrenProfile_)
        return tavrenProfile_->user.email;
    if (storeUser_)
        return storeUser_->email;
    return QStringLiteral("Not signed in");
}

bool Accounts::owns(const QString& id) const
{
    for (const ProductSummary& product : storeOwned_) {
        if (product.id == id)
            return true;
    }
    if (tavrenProfile_ && tavrenProfile_->products && tavrenProfile_->products->contains(id))
        return true;
    return storeUser_ && storeUser_->ownedProducts && storeUser_->ownedProducts->contains(id);
}

QSet<QString> Accounts::libraryIds() const
{
    QSet<QString> ids;
    for (const ProductSummary& product : storeOwned_)
        ids.insert(product.id);
    if (tavrenProfile_ && tavrenProfile_->products) {
        for (const QString& id : *tavrenProfile_->products)
            ids.insert(id);
    }
    return ids;
}

} // namespace hub
