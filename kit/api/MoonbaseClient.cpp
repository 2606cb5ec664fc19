#include "kit/api/MoonbaseClient.h"

#include "kit/api/DecodeRecord.h"
#include "kit/api/HTTPStatus.h"
#include "kit/api/IdentityResponse.h"
#include "kit/api/MoonbaseError.h"
#include "kit/api/Paged.h"
#include "kit/api/Problem.h"
#include "kit/api/StoredSession.h"
#include "kit/support/PercentEncoding.h"

#include <QJsonDocument>
#include <QLoggingCategory>
#include <QRegularExpression>

namespace hub {

namespace {

Q_LOGGING_CATEGORY(logStore, "com.tavren.hub.store")

constexpr qint64 assumedLifetimeSeconds = 900;

// The answer of the download-link request.
struct Location {
    QString location;
    static Location fromJson(const JsonReader& json) { return {json.string(u"location")}; }
};

// Only printable ASCII can go on the wire as it stands.
bool isWireText(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F)
            return false;
    }
    return !text.isEmpty();
}

bool hasScheme(const QString& text)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    return scheme.match(text).hasMatch();
}

// The exact path and query of an absolute address, without its fragment.
QString pathAndQuery(const QString& absolute)
{
    const qsizetype authority = absolute.indexOf(QStringLiteral("://")) + 3;
    qsizetype start = authority;
    while (start < absolute.size() && absolute[start] != u'/' && absolute[start] != u'?' && absolute[start] != u'#')
        ++start;
    QString rest = absolute.mid(start);
    rest.truncate(rest.indexOf(u'#') < 0 ? rest.size() : rest.indexOf(u'#'));
    if (!rest.startsWith(u'/'))
        rest.prepend(u'/');
    return rest;
}

// RFC 3986's remove_dot_segments over a path.
QString withoutDotSegments(const QString& path)
{
    QStringList out;
    const QStringList segments = path.split(u'/');
    for (qsizetype i = 0; i < segments.size(); ++i) {
        const QString& segment = segments[i];
        const bool last = i == segments.size() - 1;
        if (segment == u"." || segment == u"..") {
            if (segment == u".." && out.size() > 1)
                out.removeLast();
            if (last)
                out.append(QString());
        } else {
            out.append(segment);
        }
    }
    return out.join(u'/');
}

// A link without scheme and host, resolved against the path and query of the page
// it came from: "?x" keeps the page's path, "x" and "../x" replace its last segment,
// "/x" stands as it is.
QString resolveReference(const QString& page, const QString& reference)
{
    const QString ref = reference.left(reference.indexOf(u'#') < 0 ? reference.size() : reference.indexOf(u'#'));
    if (ref.startsWith(u'/'))
        return ref;
    const QString pagePath = page.left(page.indexOf(u'?') < 0 ? page.size() : page.indexOf(u'?'));
    if (ref.isEmpty())
        return page;
    if (ref.startsWith(u'?'))
        return pagePath + ref;
    const qsizetype query = ref.indexOf(u'?');
    const QString refPath = query < 0 ? ref : ref.left(query);
    const QString merged = pagePath.left(pagePath.lastIndexOf(u'/') + 1) + refPath;
    return withoutDotSegments(merged) + (query < 0 ? QString() : ref.mid(query));
}

// Leading and trailing blanks (space separators and tabs, not line breaks) go; inner spaces become "+".
QString normalizedCode(const QString& code)
{
    const auto blank = [](QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; };
    qsizetype start = 0;
    qsizetype end = code.size();
    while (start < end && blank(code[start]))
        ++start;
    while (end > start && blank(code[end - 1]))
        --end;
    return code.mid(start, end - start).replace(u' ', u'+');
}

// A stored session replaces the one held only when it is a later one: another
// session, expiring later. An older one (left behind by a failed keychain write,
// perhaps another account's) is never gone back to.
bool isNewer(const std::optional<SessionTokens>& stored, const SessionTokens& held)
{
    return stored && stored->refreshToken != held.refreshToken && stored->expiresAt > held.expiresAt;
}

} // namespace

QString MoonbaseClient::encodeQueryValue(QStringView text) { return PercentEncoding::encode(text, queryValueAllowed); }

QString MoonbaseClient::encodePathSegment(QStringView text)
{
    // A dot segment would name the parent or the folder itself.
    if (text == u"." || text == u"..")
        return QStringLiteral("%2E").repeated(text.size());
    return PercentEncoding::encode(text, pathSegmentAllowed);
}

MoonbaseClient::MoonbaseClient(HostPolicy policy, std::shared_ptr<HTTPTransport> transport,
    std::shared_ptr<TokenPersistence> persistence, Clock now)
    : policy_(std::move(policy))
    , transport_(std::move(transport))
    , persistence_(std::move(persistence))
    , now_(now ? std::move(now) : Clock([] { return QDateTime::currentDateTimeUtc(); }))
{
}

// ---- session ----------------------------------------------------------------

MoonbaseClient::Stored MoonbaseClient::reread()
{
    try {
        return {true, persistence_->load()};
    } catch (const std::exception&) {
        return {};
    }
}

std::exception_ptr MoonbaseClient::ensureLoaded()
{
    return loadStoredSessionOnce(mutex_, loaded_, *persistence_, [this](std::optional<SessionTokens> stored) {
        tokens_ = std::move(stored);
    });
}

bool MoonbaseClient::hasSession()
{
    ensureLoaded();
    std::lock_guard lock(mutex_);
    return tokens_.has_value();
}

bool MoonbaseClient::isSignedIn() { return hasSession(); }

SessionTokens MoonbaseClient::tokensFrom(const IdentityResponse& identity) const
{
    const QDateTime expiry = JWT::expiry(identity.accessToken).value_or(now_().addSecs(assumedLifetimeSeconds));
    return SessionTokens{identity.accessToken, identity.refreshToken, expiry};
}

void MoonbaseClient::startSession(const SessionTokens& tokens)
{
    std::lock_guard writing(persistenceMutex_);
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        loaded_ = true;
        tokens_ = tokens;
        refreshTask_ = {};
    }
    persistence_->save(tokens);
}

void MoonbaseClient::endSession()
{
    std::lock_guard writing(persistenceMutex_);
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        loaded_ = true;
        tokens_.reset();
        refreshTask_ = {};
    }
    try {
        persistence_->clear();
    } catch (...) {
        // Signed out here whatever the keychain says.
    }
}

void MoonbaseClient::signOut() noexcept { endSession(); }

std::optional<QString> MoonbaseClient::validAccessToken()
{
    ensureLoaded();
    {
        std::lock_guard lock(mutex_);
        if (!tokens_)
            return std::nullopt;
        if (!tokens_->needsRefresh(now_()))
            return tokens_->accessToken;
    }
    const auto refreshed = refresh(false);
    if (!refreshed)
        return std::nullopt;
    return refreshed->accessToken;
}

std::optional<SessionTokens> MoonbaseClient::refresh(bool force)
{
    ensureLoaded();
    std::unique_lock lock(mutex_);
    if (refreshTask_.valid()) {
        const Refresh task = refreshTask_;
        lock.unlock();
        return task.get();
    }
    if (!tokens_)
        return std::nullopt;
    if (!force && !tokens_->needsRefresh(now_()))
        return tokens_;

    // This caller performs the refresh; everyone else waits for its future.
    SessionTokens current = *tokens_;
    const quint64 generation = generation_;
    RefreshPromise promise;
    refreshTask_ = promise.get_future().share();
    lock.unlock();

    std::optional<SessionTokens> refreshed;
    bool adopted = false;
    try {
        // The app and the background updater share the stored session. When the
        // other one has refreshed it already, its tokens are taken instead: the
        // store may not accept the refresh token held here a second time.
        if (const Stored stored = reread(); isNewer(stored.tokens, current)) {
            current = *stored.tokens;
            adopted = !current.needsRefresh(now_());
        }
        if (!adopted)
            refreshed = requestRefresh(current);
    } catch (...) {
        lock.lock();
        const bool stale = generation_ != generation;
        if (!stale)
            refreshTask_ = {};
        lock.unlock();
        if (stale) {
            promise.set_value(std::nullopt);
            return std::nullopt;
        }
        promise.set_exception(std::current_exception());
        throw; // the session stays
    }
    if (adopted)
        return applyRefresh(generation, promise, current, false);
    if (refreshed)
        return applyRefresh(generation, promise, *refreshed, true);
    return applyRefusal(generation, promise, current);
}

std::optional<SessionTokens> MoonbaseClient::applyRefresh(quint64 generation, RefreshPromise& promise,
    const SessionTokens& tokens, bool save)
{
    std::lock_guard writing(persistenceMutex_);
    std::unique_lock lock(mutex_);
    if (generation_ != generation) { // signed out (or in again) meanwhile: the outcome is stale
        lock.unlock();
        promise.set_value(std::nullopt);
        return std::nullopt;
    }
    tokens_ = tokens;
    refreshTask_ = {};
    lock.unlock();
    promise.set_value(tokens);
    if (save)
        persistence_->save(tokens); // on failure the new tokens stay in use
    return tokens;
}

// The store refused `refused`. A later session saved meanwhile (by the
// other process) is taken up; otherwise the session ends and what is stored,
// the refused session or an older one, is cleared.
std::optional<SessionTokens> MoonbaseClient::applyRefusal(quint64 generation, RefreshPromise& promise,
    const SessionTokens& refused)
{
    std::lock_guard writing(persistenceMutex_); // session changes wait for this, so the generation holds
    {
        std::lock_guard lock(mutex_);
        if (generation_ != generation) {
            promise.set_value(std::nullopt);
            return std::nullopt;
        }
    }
    const Stored stored = reread();
    std::unique_lock lock(mutex_);
    refreshTask_ = {};
    if (isNewer(stored.tokens, refused)) {
        tokens_ = stored.tokens;
        lock.unlock();
        promise.set_value(stored.tokens);
        return stored.tokens;
    }
    ++generation_;
    tokens_.reset();
    loaded_ = true;
    lock.unlock();
    promise.set_value(std::nullopt);
    if (stored.tokens) {
        try {
            persistence_->clear();
        } catch (...) {
            // Signed out here whatever the keychain says.
        }
    }
    return std::nullopt;
}

std::optional<SessionTokens> MoonbaseClient::requestRefresh(const SessionTokens& current)
{
    const QString path = QStringLiteral("/api/customer/identity/refresh?token=") + encodeQueryValue(current.refreshToken);
    const HttpRequest request = buildRequest(path, "POST", current.accessToken.toUtf8(), "text/plain");
    const HttpResponse response = transport_->send(request);
    if (response.status == 403 || response.status == 404 || response.status == 401)
        return std::nullopt;
    check(response);
    return tokensFrom(decodeRecord<IdentityResponse>(response.body));
}

// ---- pipeline ---------------------------------------------------------------

HttpRequest MoonbaseClient::buildRequest(const QString& path, const QByteArray& method, std::optional<QByteArray> body,
    const QByteArray& contentType) const
{
    const QString base = QStringLiteral("https://") + policy_.apiHost;
    QString text;
    if (path.startsWith(QStringLiteral("//")))
        text = QStringLiteral("https:") + path;
    else if (path.startsWith(u'/'))
        text = base + path;
    else if (hasScheme(path))
        text = path;
    else
        text = base + u'/' + path;

    const QUrl url(text, QUrl::StrictMode);
    if (!isWireText(text) || !url.isValid() || !policy_.allowsAPI(url))
        throw MoonbaseError::blockedURL(path);

    HttpRequest request;
    request.method = method;
    request.url = text.toLatin1();
    request.body = std::move(body);
    request.timeout = std::chrono::seconds(60);
    request.maxBodyBytes = maxBodyBytes;
    request.headers = {{"Accept", "application/json"}, {"Content-Type", contentType}, {"x-mb-cors", "1"}};
    return request;
}

QByteArray MoonbaseClient::send(const QString& path, const QByteArray& method, std::optional<QByteArray> body,
    const QByteArray& contentType, bool authenticated)
{
    if (authenticated) {
        if (const std::exception_ptr failure = ensureLoaded())
            std::rethrow_exception(failure); // the session is unknown, not ended
        if (!hasSession())
            throw MoonbaseError::notSignedIn();
    }

    const auto attempt = [&] {
        HttpRequest request = buildRequest(path, method, body, contentType);
        if (const auto token = validAccessToken())
            request.headers.append({"Authorization", "Bearer " + token->toUtf8()});
        return transport_->send(request);
    };

    HttpResponse response = attempt();
    if (response.status == 401 && hasSession()) {
        if (!refresh(true))
            throw MoonbaseError::notSignedIn();
        response = attempt();
    }
    if (response.status == 401 && authenticated)
        throw MoonbaseError::notSignedIn();
    check(response);
    return response.body;
}

template <typename T>
T MoonbaseClient::get(const QString& path, bool authenticated)
{
    return decodeRecord<T>(send(path, "GET", std::nullopt, "application/json", authenticated));
}

template <typename T>
QList<T> MoonbaseClient::allPages(const QString& path)
{
    QList<T> items;
    QString current = path;
    for (int pages = 0;;) {
        const Paged<T> page = decodeRecord<Paged<T>>(send(current, "GET", std::nullopt, "application/json", true));
        items += page.items;
        if (!page.hasMore || !page.next)
            return items;

        const QString& next = *page.next;
        const QUrl url(next, QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty()) {
            current = resolveReference(current, next);
        } else {
            if (!isWireText(next) || !policy_.allowsAPI(url))
                throw MoonbaseError::blockedURL(next);
            current = pathAndQuery(next);
        }
        if (++pages >= pageCap) {
            qCWarning(logStore, "%s: stopped after %d pages; the rest of the list is left out", qUtf8Printable(path), pageCap);
            return items;
        }
    }
}

void MoonbaseClient::check(const HttpResponse& response)
{
    if (response.status < 400)
        return;
    std::optional<Problem> problem;
    try {
        problem = Problem::fromJson(JsonReader::parse(response.body));
    } catch (const JsonError&) {
        // Not a problem body: the status alone speaks.
    }
    QString message;
    if (problem && problem->detail)
        message = *problem->detail;
    else if (problem && problem->title)
        message = *problem->title;
    else
        message = HTTPStatus::phrase(response.status);

    switch (response.status) {
    case 401: throw MoonbaseError::notSignedIn();
    case 403: throw MoonbaseError::forbidden(message);
    case 404: throw MoonbaseError::notFound(message);
    default: throw MoonbaseError::server(response.status, message);
    }
}

// ---- operations -------------------------------------------------------------

User MoonbaseClient::signIn(const QString& email, const QString& password)
{
    const QString path = QStringLiteral("/api/customer/identity/sign-in?email=") + encodeQueryValue(email)
        + QStringLiteral("&scheme=JWT");
    const HttpResponse response = transport_->send(buildRequest(path, "POST", password.toUtf8(), "text/plain"));
    if (response.status == 404 || response.status == 401 || response.status == 400)
        throw MoonbaseError::invalidCredentials();
    check(response);
    const auto identity = decodeRecord<IdentityResponse>(response.body);
    startSession(tokensFrom(identity));
    return identity.user;
}

User MoonbaseClient::signUp(const QString& name, const QString& email, const QString& password, bool newsletter)
{
    const QJsonObject account{
        {QStringLiteral("name"), name},
        {QStringLiteral("email"), email},
        {QStringLiteral("password"), password},
        {QStringLiteral("address"), QJsonValue::Null},
        {QStringLiteral("acceptedPrivacyPolicy"), true},
        {QStringLiteral("acceptedTermsAndConditions"), true},
    };
    const QString path = QStringLiteral("/api/customer/identity/sign-up?scheme=JWT&communicationOptIn=")
        + (newsletter ? QStringLiteral("true") : QStringLiteral("false"));
    const HttpResponse response = transport_->send(
        buildRequest(path, "POST", QJsonDocument(account).toJson(QJsonDocument::Compact), "application/json"));
    check(response);
    const auto identity = decodeRecord<IdentityResponse>(response.body);
    startSession(tokensFrom(identity));
    return identity.user;
}

void MoonbaseClient::confirmAccount(const QString& email, const QString& code)
{
    send(QStringLiteral("/api/customer/identity/confirm-account?email=") + encodeQueryValue(email)
            + QStringLiteral("&code=") + encodeQueryValue(normalizedCode(code)),
        "POST", std::nullopt, "application/json", false);
}

void MoonbaseClient::forgotPassword(const QString& email)
{
    send(QStringLiteral("/api/customer/identity/forgot-password?email=") + encodeQueryValue(email), "POST",
        std::nullopt, "application/json", false);
}

User MoonbaseClient::currentUser() { return get<User>(QStringLiteral("/api/customer/meta/user"), true); }

Storefront MoonbaseClient::storefront() { return get<Storefront>(QStringLiteral("/api/customer/storefront"), false); }

ProductSummary MoonbaseClient::product(const QString& id)
{
    return get<ProductSummary>(QStringLiteral("/api/customer/inventory/products/") + encodePathSegment(id), false);
}

QList<ProductSummary> MoonbaseClient::ownedProducts()
{
    return allPages<ProductSummary>(QStringLiteral("/api/customer/inventory/products"));
}

QUrl MoonbaseClient::resolveDownload(const Download& download)
{
    if (!download.path)
        throw MoonbaseError::blockedURL(QStringLiteral("(no path)"));
    const QString& path = *download.path;
    const QUrl url(path, QUrl::StrictMode);
    if (!isWireText(path) || !url.isValid() || !policy_.allowsAPI(url))
        throw MoonbaseError::blockedURL(path);

    // Keep the link's own query items as they are and ask for the address instead of a redirect.
    const QString request = pathAndQuery(path);
    const qsizetype question = request.indexOf(u'?');
    QString linkPath = request;
    if (question < 0 || question == request.size() - 1)
        linkPath = request.left(question < 0 ? request.size() : question) + QStringLiteral("?redirect=false");
    else
        linkPath = request + QStringLiteral("&redirect=false");

    const QString location = get<Location>(linkPath, true).location;
    const QString encoded = PercentEncoding::encode(location, "-._~:/?#[]@!$&'()*+,;=%");
    const QUrl file = QUrl::fromEncoded(encoded.toLatin1(), QUrl::StrictMode);
    if (encoded.isEmpty() || !file.isValid() || !policy_.allowsDownload(file))
        throw MoonbaseError::blockedURL(location);
    return file;
}

Order MoonbaseClient::pushOrder(const QString& id, const QString& currency, const QList<OrderLineItem>& items,
    const QUrl& returnURL)
{
    const QJsonObject body{{QStringLiteral("currency"), currency}, {QStringLiteral("items"), json::toArray(items)}};
    const QString path = QStringLiteral("/api/customer/orders/") + encodePathSegment(id)
        + QStringLiteral("?checkout=true&returnUrl=") + encodeQueryValue(returnURL.toString(QUrl::FullyEncoded));
    return decodeRecord<Order>(send(path, "PATCH", QJsonDocument(body).toJson(QJsonDocument::Compact), "application/json", false));
}

Order MoonbaseClient::order(const QString& id)
{
    return get<Order>(QStringLiteral("/api/customer/orders/") + encodePathSegment(id), false);
}

} // namespace hub
