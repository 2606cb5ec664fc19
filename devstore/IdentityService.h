#pragma once

#include "devstore/DevstoreHosts.h"
#include "devstore/DevstoreReply.h"
#include "devstore/DevstoreRequest.h"
#include "devstore/IdentityAccount.h"
#include "devstore/ReviewBook.h"
#include "devstore/StoreDirectory.h"
#include "devstore/TokenSigner.h"

#include <QDateTime>
#include <QHash>
#include <map>

namespace hub::devstore {

// The identity service: emailed codes, the browser sign-in with its loopback hand-back and
// code exchange, the profile, sessions and purchases, and the reviews.
class IdentityService {
public:
    IdentityService(TokenSigner signer, StoreDirectory& store, ReviewBook& reviews, DevstoreHosts hosts);

    DevstoreReply handle(const DevstoreRequest& request);

    // The last code emailed to the address, while it is good.
    std::optional<QString> code(const QString& email) const;
    // Without the hand-back code, as a server not yet updated for the hub would answer.
    void setLegacyBrowserSignIn(bool legacy) { legacy_ = legacy; }

private:
    struct Grant {
        QString challenge;
        QString email;
        QDateTime expires;
    };

    DevstoreReply account(const DevstoreRequest& request, const QStringList& path);
    DevstoreReply browser(const DevstoreRequest& request);
    DevstoreReply exchange(const DevstoreRequest& request);
    IdentityAccount& ensure(const QString& email);
    IdentityAccount* holder(const DevstoreRequest& request);
    QString token(const IdentityAccount& account) const;
    QStringList products(const IdentityAccount& account) const;

    TokenSigner signer_;
    StoreDirectory& store_;
    ReviewBook& reviews_;
    DevstoreHosts hosts_;
    std::map<QString, IdentityAccount> accounts_;
    QHash<QString, std::pair<QString, QDateTime>> codes_; // email → code, expiry
    QHash<QString, Grant> grants_;                          // browser hand-back code → grant
    bool legacy_ = false;
};

} // namespace hub::devstore
