#pragma once

#include "kit/api/HTTPTransport.h"
#include "kit/api/Order.h"
#include "kit/api/ProductSummary.h"
#include "kit/api/Storefront.h"
#include "kit/api/TokenPersistence.h"
#include "kit/api/User.h"
#include "kit/security/HostPolicy.h"

#include <QDateTime>
#include <QUrl>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string_view>

namespace hub {

struct IdentityResponse;

// The client of the store's customer API. Thread-safe and blocking: call it from
// worker threads. Its state is guarded by a mutex that is never held across a
// request; a token refresh is shared by every caller that needs one.
class MoonbaseClient {
public:
    using Clock = std::function<QDateTime()>;

    // Characters left as they are when caller text goes into a query value or a path segment.
    static constexpr std::string_view queryValueAllowed = "!$'()*,-.:;@_~";
    static constexpr std::string_view pathSegmentAllowed = "!$&'()*+,-.:=@_~";
    static QString encodeQueryValue(QStringView text);
    static QString encodePathSegment(QStringView text);

    MoonbaseClient(HostPolicy policy, std::shared_ptr<HTTPTransport> transport,
        std::shared_ptr<TokenPersistence> persistence, Clock now = {});
    MoonbaseClient(const MoonbaseClient&) = delete;
    MoonbaseClient& operator=(const MoonbaseClient&) = delete;

    const HostPolicy& policy() const { return policy_; }

    // A session is held; the first call loads the stored one. The expiry is not
    // looked at. While the persistence cannot be read (a locked keychain) the
    // answer is false and every call asks the persistence again.
    bool isSignedIn();

    User signIn(const QString& email, const QString& password);
    User signUp(const QString& name, const QString& email, const QString& password, bool newsletter);
    void confirmAccount(const QString& email, const QString& code);
    // Drops the session here and in the persistence; sends nothing. A refresh in
    // flight finishes without bringing the session back.
    void signOut() noexcept;
    User currentUser();
    void forgotPassword(const QString& email);

    Storefront storefront();
    ProductSummary product(const QString& id);
    QList<ProductSummary> ownedProducts();
    // The signed address of a download's file, on one of the download domains.
    QUrl resolveDownload(const Download& download);

    Order pushOrder(const QString& id, const QString& currency, const QList<OrderLineItem>& items, const QUrl& returnURL);
    Order order(const QString& id);

    // Passes a status below 400; otherwise throws the MoonbaseError of the status,
    // worded from the problem body when there is one.
    static void check(const HttpResponse& response);

    // The most a store answer may hold; a longer body ends the request.
    static constexpr qint64 maxBodyBytes = 8 * 1024 * 1024;
    // The most pages a paged list follows.
    static constexpr int pageCap = 50;

private:
    using Refresh = std::shared_future<std::optional<SessionTokens>>;
    using RefreshPromise = std::promise<std::optional<SessionTokens>>;

    // What the persistence holds now; `known` is false when it could not be read.
    struct Stored {
        bool known = false;
        std::optional<SessionTokens> tokens;
    };

    HttpRequest buildRequest(const QString& path, const QByteArray& method, std::optional<QByteArray> body,
        const QByteArray& contentType) const;
    QByteArray send(const QString& path, const QByteArray& method, std::optional<QByteArray> body,
        const QByteArray& contentType, bool authenticated);
    template <typename T>
    T get(const QString& path, bool authenticated);
    template <typename T>
    QList<T> allPages(const QString& path);
    std::optional<QString> validAccessToken();
    std::optional<SessionTokens> refresh(bool force);
    std::optional<SessionTokens> requestRefresh(const SessionTokens& current);
    std::optional<SessionTokens> applyRefresh(quint64 generation, RefreshPromise& promise, const SessionTokens& tokens,
        bool save);
    std::optional<SessionTokens> applyRefusal(quint64 generation, RefreshPromise& promise, const SessionTokens& refused);

    Stored reread();
    // Loads the stored session unless it is known. Gives the persistence's failure
    // when it could not be read; the session then stays unknown (and absent here).
    std::exception_ptr ensureLoaded();
    bool hasSession();
    SessionTokens tokensFrom(const IdentityResponse& identity) const;
    void startSession(const SessionTokens& tokens);
    void endSession();

    const HostPolicy policy_;
    const std::shared_ptr<HTTPTransport> transport_;
    const std::shared_ptr<TokenPersistence> persistence_;
    const Clock now_;

    // Serialises writes to the persistence with the session changes they belong
    // to, so a stale refresh cannot save after a sign-out has cleared. Taken before mutex_.
    std::mutex persistenceMutex_;
    std::mutex mutex_;
    bool loaded_ = false; // guarded by mutex_, as everything below; tokens_ is empty until loaded
    std::optional<SessionTokens> tokens_;
    Refresh refreshTask_; // valid while a refresh is in flight
    quint64 generation_ = 0; // advanced whenever the session is replaced or ended
};

} // namespace hub
