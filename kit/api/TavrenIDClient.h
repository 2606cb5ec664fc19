#pragma once

#include "kit/api/HTTPTransport.h"
#include "kit/api/MyReview.h"
#include "kit/api/PostedReview.h"
#include "kit/api/ReviewDraft.h"
#include "kit/api/ReviewPage.h"
#include "kit/api/TavrenIDProfile.h"
#include "kit/api/TavrenIDProvider.h"
#include "kit/api/TavrenIDPurchase.h"
#include "kit/api/TavrenIDSession.h"
#include "kit/api/TokenPersistence.h"

#include <QDateTime>
#include <QList>
#include <QUrl>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace hub {

// The client of the Tavren ID service: emailed-code and browser sign-in, the
// account's profile, devices and purchases, and reviews. Thread-safe and
// blocking: call it from worker threads. Its token is guarded by a mutex that is
// never held across a request. Every failure is a MoonbaseError, a transport
// error, or the persistence's own error.
class TavrenIDClient {
public:
    using Clock = std::function<QDateTime()>;
    // A query item: name and optional value, sent in the order given.
    using QueryItem = std::pair<QString, std::optional<QString>>;

    static constexpr const char* userAgent = "Tavren Hub (macOS)";
    // The most an answer may hold; a longer body ends the request.
    static constexpr qint64 maxBodyBytes = 8 * 1024 * 1024;

    // `base`: the API base, https on the service's host with the path "/id";
    // `authBase`: the same host, path "/auth". Nothing is loaded or sent yet.
    TavrenIDClient(QUrl base, QUrl authBase, std::shared_ptr<HTTPTransport> transport,
        std::shared_ptr<TokenPersistence> persistence, Clock now = {});
    TavrenIDClient(const TavrenIDClient&) = delete;
    TavrenIDClient& operator=(const TavrenIDClient&) = delete;

    // A token is held; the first call loads the stored one. While the persistence
    // cannot be read (a locked keychain) the answer is false and it is asked again.
    bool isSignedIn();

    void requestCode(const QString& email);
    // Sends the code without any white space, adopts the token, then fetches the
    // profile (a failing fetch leaves the token adopted).
    TavrenIDProfile completeCode(const QString& email, const QString& code);
    // Uses `token` from now on and saves it; a failing save throws, the token stays in use.
    void adopt(const QString& token);
    // The browser's start address: <authBase>/<provider>/start?state=&port=&hub_challenge=.
    QUrl providerURL(TavrenIDProvider provider, const QString& state, quint16 port, const QString& challenge) const;
    // Trades the browser sign-in's one-time code for a token and adopts it.
    // Anything but 200 is invalidCredentials.
    void exchange(const QString& code, const QString& verifier);
    // Tells the service (when a token is held), ignoring every outcome, then forgets the token.
    void signOut() noexcept;
    // Drops the token here and in the persistence; a failure to clear is ignored.
    void forget() noexcept;

    TavrenIDProfile profile();
    QList<TavrenIDSession> sessions();
    void revokeSession(const QString& id);
    QList<TavrenIDPurchase> purchases();

    // One page of a product's reviews, without the bearer; `cursor` is a page's nextCursor.
    ReviewPage reviews(const QString& product, const std::optional<QString>& cursor, qint64 limit);
    MyReview myReview(const QString& product);
    // A draft with a problem is refused as forbidden(problem) before anything else.
    PostedReview postReview(const ReviewDraft& draft);

private:
    QByteArray send(const QString& path, const QByteArray& method, const std::optional<QByteArray>& body,
        const QList<QueryItem>& query, bool authorize);
    // The token in use; throws the persistence's failure when it cannot be loaded.
    std::optional<QString> currentToken();
    std::exception_ptr ensureLoaded();
    // Forgets the token only if it is still `token`.
    void forgetIf(const QString& token) noexcept;

    const QString base_;     // exact text, no trailing "/"
    const QString authBase_; // exact text, no trailing "/"
    const QString host_;     // of base_, lower case
    const QString authHost_; // of authBase_, lower case
    const std::shared_ptr<HTTPTransport> transport_;
    const std::shared_ptr<TokenPersistence> persistence_;
    const Clock now_;

    // Serialises writes to the persistence with the token changes they belong to. Taken before mutex_.
    std::mutex persistenceMutex_;
    std::mutex mutex_;
    bool loaded_ = false; // guarded by mutex_, as token_; token_ is empty until loaded
    std::optional<QString> token_;
};

} // namespace hub
