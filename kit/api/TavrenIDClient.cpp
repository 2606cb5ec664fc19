#include "kit/api/TavrenIDClient.h"

#include "kit/api/DecodeRecord.h"
#include "kit/api/HTTPStatus.h"
#include "kit/api/MoonbaseClient.h"
#include "kit/api/MoonbaseError.h"
#include "kit/api/StoredSession.h"

#include <QJsonDocument>

namespace hub {

namespace {

constexpr qint64 assumedLifetimeSeconds = 900;
constexpr std::chrono::seconds requestTimeout{60};

// The answers that carry a token or a list.
struct CodeResult {
    QString token;
    static CodeResult fromJson(const JsonReader& json) { return {json.string(u"token")}; }
};
struct ExchangeResult {
    QString qid;
    static ExchangeResult fromJson(const JsonReader& json) { return {json.string(u"qid")}; }
};
struct SessionsBody {
    QList<TavrenIDSession> sessions;
    static SessionsBody fromJson(const JsonReader& json) { return {json.list(u"sessions", TavrenIDSession::fromJson)}; }
};
struct PurchasesBody {
    QList<TavrenIDPurchase> purchases;
    static PurchasesBody fromJson(const JsonReader& json) { return {json.list(u"purchases", TavrenIDPurchase::fromJson)}; }
};

// The detail of a failing status: the error body's "message", else its "error",
// else the status phrase.
QString failureDetail(const HttpResponse& response)
{
    try {
        const JsonReader problem = JsonReader::parse(response.body);
        const std::optional<QString> message = problem.optionalString(u"message");
        const std::optional<QString> error = problem.optionalString(u"error");
        if (message)
            return *message;
        if (error)
            return *error;
    } catch (const JsonError&) {
        // Not an error body: the status speaks.
    }
    return HTTPStatus::phrase(response.status);
}

QByteArray compact(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }

QString baseText(const QUrl& url)
{
    QString text = url.toString(QUrl::FullyEncoded);
    while (text.endsWith(u'/'))
        text.chop(1);
    return text;
}

QString withoutWhiteSpace(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        if (!c.isSpace())
            out.append(c);
    }
    return out;
}

bool onHost(const QString& text, const QString& host)
{
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && url.scheme() == u"https" && url.host().toLower() == host;
}

} // namespace

TavrenIDClient::TavrenIDClient(QUrl base, QUrl authBase, std::shared_ptr<HTTPTransport> transport,
    std::shared_ptr<TokenPersistence> persistence, Clock now)
    : base_(baseText(base))
    , authBase_(baseText(authBase))
    , host_(base.host().toLower())
    , authHost_(authBase.host().toLower())
    , transport_(std::move(transport))
    , persistence_(std::move(persistence))
    , now_(now ? std::move(now) : Clock([] { return QDateTime::currentDateTimeUtc(); }))
{
}

// ---- token ------------------------------------------------------------------

std::exception_ptr TavrenIDClient::ensureLoaded()
{
    return loadStoredSessionOnce(mutex_, loaded_, *persistence_, [this](std::optional<SessionTokens> stored) {
        if (stored)
            token_ = stored->accessToken;
    });
}

std::optional<QString> TavrenIDClient::currentToken()
{
    if (const std::exception_ptr failure = ensureLoaded())
        std::rethrow_exception(failure);
    std::lock_guard lock(mutex_);
    return token_;
}

bool TavrenIDClient::isSignedIn()
{
    ensureLoaded();
    std::lock_guard lock(mutex_);
    return token_.has_value();
}

void TavrenIDClient::adopt(const QString& token)
{
    std::lock_guard writing(persistenceMutex_);
    {
        std::lock_guard lock(mutex_);
        token_ = token;
        loaded_ = true;
    }
    const QDateTime expiry = JWT::expiry(token).value_or(now_().addSecs(assumedLifetimeSeconds));
    persistence_->save(SessionTokens{token, QString(), expiry});
}

void TavrenIDClient::forget() noexcept
{
    std::lock_guard writing(persistenceMutex_);
    {
        std::lock_guard lock(mutex_);
        token_.reset();
        loaded_ = true;
    }
    try {
        persistence_->clear();
    } catch (...) {
        // Signed out here whatever the keychain says.
    }
}

void TavrenIDClient::forgetIf(const QString& token) noexcept
{
    std::lock_guard writing(persistenceMutex_);
    {
        std::lock_guard lock(mutex_);
        if (token_ != token)
            return; // replaced meanwhile: the newer token stays
        token_.reset();
    }
    try {
        persistence_->clear();
    } catch (...) {
    }
}

// ---- request path -----------------------------------------------------------

QByteArray TavrenIDClient::send(const QString& path, const QByteArray& method, const std::optional<QByteArray>& body,
    const QList<QueryItem>& query, bool authorize)
{
    QString text = base_ + u'/' + path.mid(1);
    for (qsizetype i = 0; i < query.size(); ++i) {
        const auto& [name, value] = query[i];
        text += (i == 0 ? u'?' : u'&') + MoonbaseClient::encodeQueryValue(name);
        if (value)
            text += u'=' + MoonbaseClient::encodeQueryValue(*value);
    }
    if (!onHost(text, host_))
        throw MoonbaseError::blockedURL(path);

    HttpRequest request;
    request.method = method;
    request.url = text.toLatin1();
    request.timeout = requestTimeout;
    request.maxBodyBytes = maxBodyBytes;
    request.headers = {{"Accept", "application/json"}, {"User-Agent", userAgent}};
    if (body) {
        request.headers.append(std::pair<QByteArray, QByteArray>("Content-Type", "application/json"));
        request.body = body;
    }
    std::optional<QString> carried;
    if (authorize) {
        carried = currentToken();
        if (!carried)
            throw MoonbaseError::notSignedIn();
        request.headers.append({"Authorization", "Bearer " + carried->toUtf8()});
    }

    const HttpResponse response = transport_->send(request);
    if (response.status == 401 && authorize) {
        forgetIf(*carried);
        throw MoonbaseError::notSignedIn();
    }
    // Redirects are never followed, so a 3xx did nothing: it fails like a 4xx.
    if (response.status >= 200 && response.status < 300)
        return response.body;
    throw MoonbaseError::server(response.status, failureDetail(response));
}

// ---- sign-in ----------------------------------------------------------------

void TavrenIDClient::requestCode(const QString& email)
{
    send(QStringLiteral("/auth/email/code/request"), "POST", compact({{QStringLiteral("email"), email}}), {}, false);
}

TavrenIDProfile TavrenIDClient::completeCode(const QString& email, const QString& code)
{
    const QJsonObject body{{QStringLiteral("email"), email}, {QStringLiteral("code"), withoutWhiteSpace(code)}};
    const QByteArray answer = send(QStringLiteral("/auth/email/code/complete"), "POST", compact(body), {}, false);
    adopt(decodeRecord<CodeResult>(answer).token);
    return profile();
}

QUrl TavrenIDClient::providerURL(TavrenIDProvider provider, const QString& state, quint16 port,
    const QString& challenge) const
{
    const QString text = authBase_ + u'/' + toString(provider) + QStringLiteral("/start?state=")
        + MoonbaseClient::encodeQueryValue(state) + QStringLiteral("&port=") + QString::number(port)
        + QStringLiteral("&hub_challenge=") + MoonbaseClient::encodeQueryValue(challenge);
    return QUrl::fromEncoded(text.toLatin1(), QUrl::StrictMode);
}

void TavrenIDClient::exchange(const QString& code, const QString& verifier)
{
    const QString text = authBase_ + QStringLiteral("/hub/exchange");
    if (!onHost(text, authHost_))
        throw MoonbaseError::blockedURL(text);

    HttpRequest request;
    request.method = "POST";
    request.url = text.toLatin1();
    request.timeout = requestTimeout;
    request.maxBodyBytes = maxBodyBytes;
    request.headers = {{"Content-Type", "application/json"}};
    request.body = compact({{QStringLiteral("code"), code}, {QStringLiteral("verifier"), verifier}});

    const HttpResponse response = transport_->send(request);
    if (response.status != 200)
        throw MoonbaseError::invalidCredentials();
    adopt(decodeRecord<ExchangeResult>(response.body).qid);
}

void TavrenIDClient::signOut() noexcept
{
    try {
        if (currentToken())
            send(QStringLiteral("/auth/signout"), "POST", QByteArray("{}"), {}, true);
    } catch (...) {
        // Signed out here whatever the service or the keychain says.
    }
    forget();
}

// ---- account ----------------------------------------------------------------

TavrenIDProfile TavrenIDClient::profile()
{
    return decodeRecord<TavrenIDProfile>(send(QStringLiteral("/auth/me"), "GET", std::nullopt, {}, true));
}

QList<TavrenIDSession> TavrenIDClient::sessions()
{
    return decodeRecord<SessionsBody>(send(QStringLiteral("/auth/sessions"), "GET", std::nullopt, {}, true)).sessions;
}

void TavrenIDClient::revokeSession(const QString& id)
{
    send(QStringLiteral("/auth/sessions/revoke"), "POST", compact({{QStringLiteral("sessionId"), id}}), {}, true);
}

QList<TavrenIDPurchase> TavrenIDClient::purchases()
{
    return decodeRecord<PurchasesBody>(send(QStringLiteral("/auth/purchases"), "GET", std::nullopt, {}, true)).purchases;
}

// ---- reviews ----------------------------------------------------------------

ReviewPage TavrenIDClient::reviews(const QString& product, const std::optional<QString>& cursor, qint64 limit)
{
    QList<QueryItem> query{{QStringLiteral("product"), product}, {QStringLiteral("limit"), QString::number(limit)}};
    if (cursor)
        query.append({QStringLiteral("cursor"), *cursor});
    return decodeRecord<ReviewPage>(send(QStringLiteral("/reviews"), "GET", std::nullopt, query, false));
}

MyReview TavrenIDClient::myReview(const QString& product)
{
    return decodeRecord<MyReview>(
        send(QStringLiteral("/reviews/mine"), "GET", std::nullopt, {{QStringLiteral("product"), product}}, true));
}

PostedReview TavrenIDClient::postReview(const ReviewDraft& draft)
{
    if (const std::optional<QString> problem = draft.problem())
        throw MoonbaseError::forbidden(*problem);
    const QByteArray body = compact(draft.normalized().toJson());
    return decodeRecord<PostedReview>(send(QStringLiteral("/reviews"), "POST", body, {}, true));
}

} // namespace hub
