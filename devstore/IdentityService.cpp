#include "devstore/IdentityService.h"

#include "devstore/Console.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUuid>

namespace hub::devstore {

namespace {

const QString demoEmail = QStringLiteral("demo@tavren.test");

QString fresh() { return QUuid::createUuid().toString(QUuid::WithoutBraces); }

QString urlSafeRandom(int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    for (char& byte : raw)
        byte = char(QRandomGenerator::system()->bounded(256));
    return QString::fromLatin1(raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QJsonObject session(const QString& id, const QString& label, const QString& created, const QString& seen)
{
    QJsonObject object{{"id", id}, {"label", label}};
    if (!created.isEmpty())
        object.insert("createdAt", created);
    if (!seen.isEmpty())
        object.insert("lastSeenAt", seen);
    return object;
}

QJsonObject purchase(const QString& productId, const QString& status, const QString& date, const QString& source = QStringLiteral("hub"))
{
    QJsonObject object{{"id", fresh()}, {"productId", productId}, {"source", source}, {"buyerEmail", demoEmail}, {"status", status}};
    if (!date.isEmpty())
        object.insert("purchasedAt", date);
    return object;
}

bool wellFormed(const QString& email)
{
    static const QRegularExpression pattern(QStringLiteral("^[^@\\s]+@[^@\\s]+\\.[^@\\s]+$"));
    return pattern.match(email).hasMatch();
}

} // namespace

IdentityService::IdentityService(TokenSigner signer, StoreDirectory& store, ReviewBook& reviews, DevstoreHosts hosts)
    : signer_(std::move(signer)), store_(store), reviews_(reviews), hosts_(std::move(hosts))
{
    IdentityAccount& demo = ensure(demoEmail);
    demo.id = QStringLiteral("id-demo");
    demo.externalAccounts = {QJsonObject{{"provider", "apple"}, {"email", "demo@privaterelay.example"}, {"linkedAt", "2026-03-02T10:00:00Z"}},
                             QJsonObject{{"provider", "github"}}};
    demo.linkedEmails = {QStringLiteral("demo.alt@tavren.test")};
    demo.recoveryCodesRemaining = 8;
    demo.extraProducts = {QStringLiteral("tv-vocoder"), QStringLiteral("tv-game"), QStringLiteral("tv-retired")};
    demo.sessions = {session(QStringLiteral("s-hub"), QStringLiteral("Tavren Hub on MacBook Pro"), QStringLiteral("2026-10-01T08:00:00Z"), QStringLiteral("2026-12-08T09:15:00Z")),
                     session(QStringLiteral("s-iphone"), QStringLiteral("Safari on iPhone"), {}, QStringLiteral("2026-12-01T18:30:00Z")),
                     session(QStringLiteral("s-android"), QStringLiteral("Chrome on Android phone"), QStringLiteral("2026-09-14T12:00:00Z"), {}),
                     session(QStringLiteral("s-windows"), QStringLiteral("Firefox on Windows"), QStringLiteral("2026-08-01T07:45:00Z"), QStringLiteral("2026-11-20T21:00:00Z")),
                     session(QStringLiteral("s-linux"), QStringLiteral("Firefox on Linux"), {}, QStringLiteral("2026-11-02T09:15:00Z")),
                     session(QStringLiteral("s-ipad"), QStringLiteral("iPad"), QStringLiteral("2026-07-07T07:07:00Z"), {})};
    QJsonObject gift = purchase(QStringLiteral("tv-game"), QStringLiteral("completed"), QStringLiteral("2026-06-01T12:00:00Z"));
    gift.insert("gifted", true);
    demo.purchases = {purchase(QStringLiteral("tv-compressor"), QStringLiteral("completed"), QStringLiteral("2026-05-04T09:15:00Z")),
                      purchase(QStringLiteral("tv-reverb"), QStringLiteral("completed"), QStringLiteral("2026-05-20T16:40:00Z")),
                      gift,
                      purchase(QStringLiteral("tv-vocoder"), QStringLiteral("completed"), QStringLiteral("2026-09-09T09:09:00Z"), QStringLiteral("web")),
                      purchase(QStringLiteral("tv-retired"), QStringLiteral("refunded"), QStringLiteral("2025-12-24T10:00:00Z")),
                      purchase(QStringLiteral("tv-limiter"), QStringLiteral("completed"), {})};
    ensure(QStringLiteral("nobody@tavren.test"));
}

IdentityAccount& IdentityService::ensure(const QString& email)
{
    const QString key = email.trimmed().toLower();
    auto found = accounts_.find(key);
    if (found != accounts_.end())
        return found->second;
    IdentityAccount account;
    account.id = QStringLiteral("id-") + fresh();
    account.email = key;
    account.createdAt = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    account.sessions = {session(QStringLiteral("s-hub-") + account.id, QStringLiteral("Tavren Hub on MacBook Pro"), account.createdAt, {})};
    return accounts_[key] = account;
}

QString IdentityService::token(const IdentityAccount& account) const
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    return QString::fromLatin1(signer_.sign({{"sub", account.id},
                                             {"email", account.email},
                                             {"typ", "id"},
                                             {"sid", account.sessions.value(0).value("id").toString()},
                                             {"exp", now + 30 * 24 * 3600}}));
}

IdentityAccount* IdentityService::holder(const DevstoreRequest& request)
{
    const std::optional<QByteArray> bearer = request.bearer();
    const std::optional<QJsonObject> payload = bearer ? signer_.verify(*bearer) : std::nullopt;
    if (!payload || payload->value("typ").toString() != u"id")
        return nullptr;
    const auto found = accounts_.find(payload->value("email").toString());
    return found == accounts_.end() ? nullptr : &found->second;
}

QStringList IdentityService::products(const IdentityAccount& account) const
{
    QStringList owned;
    if (const StoreAccount* store = store_.find(account.email))
        owned = store->owned;
    for (const QString& id : account.extraProducts) {
        if (!owned.contains(id))
            owned << id;
    }
    return owned;
}

std::optional<QString> IdentityService::code(const QString& email) const
{
    const auto found = codes_.constFind(email.trimmed().toLower());
    if (found == codes_.constEnd() || found->second < QDateTime::currentDateTimeUtc())
        return std::nullopt;
    return found->first;
}

DevstoreReply IdentityService::handle(const DevstoreRequest& request)
{
    const QStringList& path = request.segments;
    if (path.value(0) == u"id")
        return account(request, path.mid(1));
    if (path.value(0) == u"auth" && request.is("POST", {u"auth", u"hub", u"exchange"}))
        return exchange(request);
    if (path.value(0) == u"auth" && request.method == "GET" && path.size() == 3)
        return browser(request);
    return DevstoreReply::message(404, QStringLiteral("Not found."));
}

DevstoreReply IdentityService::account(const DevstoreRequest& request, const QStringList& path)
{
    const QJsonObject body = request.jsonBody();
    if (request.method == "POST" && path == QStringList{"auth", "email", "code", "request"}) {
        const QString email = body.value("email").toString().trimmed().toLower();
        if (!wellFormed(email))
            return DevstoreReply::message(422, QStringLiteral("That does not look like an email address."));
        const QString code = QStringLiteral("%1").arg(QRandomGenerator::global()->bounded(1000000), 6, 10, QLatin1Char('0'));
        codes_.insert(email, {code, QDateTime::currentDateTimeUtc().addSecs(600)});
        say(QStringLiteral("Tavren ID code for %1: %2").arg(email, code));
        return DevstoreReply::empty(204);
    }
    if (request.method == "POST" && path == QStringList{"auth", "email", "code", "complete"}) {
        const QString email = body.value("email").toString().trimmed().toLower();
        const std::optional<QString> expected = code(email);
        if (!expected || body.value("code").toString() != *expected)
            return DevstoreReply::message(400, QStringLiteral("The code is wrong or has expired."));
        codes_.remove(email);
        return DevstoreReply::json({{"token", token(ensure(email))}});
    }
    if (request.method == "GET" && path == QStringList{"reviews"})
        return reviews_.page(request);

    IdentityAccount* caller = holder(request);
    if (!caller)
        return DevstoreReply::message(401, QStringLiteral("Sign in to continue."));
    if (request.method == "GET" && path == QStringList{"auth", "me"}) {
        QJsonObject profile{{"user", QJsonObject{{"id", caller->id},
                                                 {"email", caller->email},
                                                 {"createdAt", caller->createdAt},
                                                 {"emailVerifiedAt", caller->createdAt}}},
                            {"externalAccounts", caller->externalAccounts},
                            {"linkedEmails", QJsonArray::fromStringList(caller->linkedEmails)},
                            {"recoveryCodesRemaining", caller->recoveryCodesRemaining},
                            {"products", QJsonArray::fromStringList(products(*caller))}};
        return DevstoreReply::json(profile);
    }
    if (request.method == "GET" && path == QStringList{"auth", "sessions"}) {
        const QString current = signer_.verify(*request.bearer())->value("sid").toString();
        QJsonArray sessions;
        for (QJsonObject one : caller->sessions) {
            if (one.value("id").toString() == current)
                one.insert("current", true);
            sessions.append(one);
        }
        return DevstoreReply::json({{"sessions", sessions}});
    }
    if (request.method == "POST" && path == QStringList{"auth", "sessions", "revoke"}) {
        const QString id = body.value("sessionId").toString();
        if (id == signer_.verify(*request.bearer())->value("sid").toString())
            return DevstoreReply::message(403, QStringLiteral("This is the session you are using."));
        caller->sessions.removeIf([&](const QJsonObject& one) { return one.value("id").toString() == id; });
        return DevstoreReply::empty(204);
    }
    if (request.method == "GET" && path == QStringList{"auth", "purchases"})
        return DevstoreReply::json({{"purchases", caller->purchases}});
    if (request.method == "POST" && path == QStringList{"auth", "signout"})
        return DevstoreReply::empty(204);
    if (request.method == "GET" && path == QStringList{"reviews", "mine"})
        return reviews_.mine(request.queryValue(QStringLiteral("product")).value_or(QString()), caller->id, products(*caller));
    if (request.method == "POST" && path == QStringList{"reviews"})
        return reviews_.post(body, caller->id, products(*caller));
    return DevstoreReply::message(404, QStringLiteral("Not found."));
}

DevstoreReply IdentityService::browser(const DevstoreRequest& request)
{
    const QString provider = request.segments[1];
    const QString step = request.segments[2];
    const QString state = request.queryValue(QStringLiteral("state")).value_or(QString());
    const QString challenge = request.queryValue(QStringLiteral("hub_challenge")).value_or(QString());
    bool portOk = false;
    const int port = request.queryValue(QStringLiteral("port")).value_or(QString()).toInt(&portOk);
    const QStringList providers{QStringLiteral("apple"), QStringLiteral("google"), QStringLiteral("github")};
    if (!providers.contains(provider) || (step != u"start" && step != u"continue") || state.size() != 32
        || challenge.size() != 43 || !portOk || port <= 0 || port > 65535)
        return DevstoreReply::html(QStringLiteral("Sign in"), QStringLiteral("<p>This sign-in link is not valid.</p>"), 400);

    if (step == u"start") {
        QString next = QStringLiteral("/auth/%1/continue?state=%2&port=%3&hub_challenge=%4").arg(provider, state).arg(port).arg(challenge);
        QString name = provider;
        name[0] = name[0].toUpper();
        return DevstoreReply::html(QStringLiteral("Sign in"),
                                   QStringLiteral("<h1>Tavren ID</h1><p><a href=\"%1\">Continue as %2 with %3</a></p>")
                                           .arg(next.toHtmlEscaped(), demoEmail, name));
    }
    const QString code = urlSafeRandom(24);
    grants_.insert(code, {challenge, demoEmail, QDateTime::currentDateTimeUtc().addSecs(300)});
    QByteArray location = "http://127.0.0.1:" + QByteArray::number(port) + "/cb?state=" + state.toLatin1();
    if (!legacy_)
        location += "&hub_code=" + code.toLatin1();
    return DevstoreReply::redirect(302, location);
}

DevstoreReply IdentityService::exchange(const DevstoreRequest& request)
{
    const QJsonObject body = request.jsonBody();
    const QString code = body.value("code").toString();
    const QByteArray verifier = body.value("verifier").toString().toLatin1();
    const auto found = grants_.constFind(code);
    const QString challenge = QString::fromLatin1(QCryptographicHash::hash(verifier, QCryptographicHash::Sha256)
                                                          .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    if (found == grants_.constEnd() || found->expires < QDateTime::currentDateTimeUtc() || found->challenge != challenge)
        return DevstoreReply::json({{"error", "invalid_grant"}}, 400);
    const QString email = found->email;
    grants_.remove(code);
    return DevstoreReply::json({{"qid", token(ensure(email))}});
}

} // namespace hub::devstore
