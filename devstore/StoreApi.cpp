#include "devstore/StoreApi.h"

#include "devstore/Console.h"
#include "devstore/FixtureCatalog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>
#include <cmath>

namespace hub::devstore {

namespace {

const QString prefix = QStringLiteral("/api/customer/");

DevstoreReply notSignedIn()
{
    return DevstoreReply::problem(401, QStringLiteral("Unauthorized"), QStringLiteral("Sign in to continue."));
}

QJsonObject money(const QString& currency, double amount)
{
    return {{"currency", currency}, {"amount", std::round(amount * 100) / 100}};
}

// The value of one field of a form body.
QString formValue(const QByteArray& body, QByteArrayView name)
{
    for (QByteArray pair : body.split('&')) {
        pair.replace('+', ' ');
        const qsizetype equals = pair.indexOf('=');
        if (equals > 0 && QByteArrayView(pair).first(equals) == name)
            return QUrl::fromPercentEncoding(pair.mid(equals + 1));
    }
    return {};
}

QString randomPassword()
{
    return QStringLiteral("pass-%1").arg(QRandomGenerator::global()->bounded(100000, 999999));
}

// A JavaScript string literal of the text, safe inside a script element.
QString scriptString(const QString& text)
{
    const QString array = QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact));
    return array.mid(1).chopped(1).replace(QStringLiteral("</"), QStringLiteral("<\\/"));
}

bool settled(const QString& status)
{
    return status == u"Paid" || status == u"Completed";
}

} // namespace

StoreApi::StoreApi(StoreDirectory& directory, LiveCatalog& catalog, const DownloadHost& downloads, DevstoreHosts hosts)
    : directory_(directory), catalog_(catalog), downloads_(downloads), hosts_(std::move(hosts))
{
}

DevstoreReply StoreApi::handle(const DevstoreRequest& request)
{
    if (request.path.startsWith(prefix)) {
        if (request.header("x-mb-cors") != "1")
            return DevstoreReply::problem(400, QStringLiteral("Bad request"), QStringLiteral("The x-mb-cors header is missing."));
        return api(request, request.segments.mid(2));
    }
    if (!request.segments.isEmpty() && request.segments[0] == u"checkout")
        return checkoutPage(request);
    return webPage(request);
}

DevstoreReply StoreApi::api(const DevstoreRequest& request, const QStringList& path)
{
    const QString first = path.value(0);
    if (first == u"identity" && request.method == "POST") {
        const QString action = path.value(1);
        if (action == u"sign-in")
            return signIn(request);
        if (action == u"sign-up")
            return signUp(request);
        if (action == u"confirm-account")
            return confirm(request);
        if (action == u"forgot-password")
            return DevstoreReply::empty(204);
        if (action == u"refresh")
            return refresh(request);
    }

    // A bearer that does not check out is a 401, so the client refreshes; no bearer is a guest.
    const std::optional<QByteArray> bearer = request.bearer();
    StoreAccount* caller = bearer ? directory_.holder(*bearer) : nullptr;
    if (bearer && !caller)
        return notSignedIn();

    if (request.method == "GET" && path == QStringList{"meta", "user"})
        return caller ? DevstoreReply::json(StoreDirectory::user(*caller)) : notSignedIn();
    if (request.method == "GET" && path == QStringList{"storefront"})
        return storefront(caller);
    if (request.method == "GET" && path.size() == 3 && first == u"inventory" && path[1] == u"products") {
        const FixtureProduct* product = FixtureCatalog::find(path[2]);
        return product ? DevstoreReply::json(catalog_.summary(*product)) : DevstoreReply::problem(404, QStringLiteral("Product"));
    }
    if (request.method == "GET" && path == QStringList{"inventory", "products"})
        return caller ? ownedProducts(request, *caller) : notSignedIn();
    if (request.method == "GET" && path.size() == 2 && first == u"downloads")
        return caller ? resolveDownload(request, *caller) : notSignedIn();
    if (path.size() == 2 && first == u"orders") {
        if (request.method == "PATCH")
            return pushOrder(request, path[1], caller);
        if (request.method == "GET") {
            const auto found = order(path[1]);
            return found ? DevstoreReply::json(*found) : DevstoreReply::problem(404, QStringLiteral("Order"));
        }
    }
    return DevstoreReply::problem(404, QStringLiteral("Endpoint"));
}

DevstoreReply StoreApi::signIn(const DevstoreRequest& request)
{
    const StoreAccount* account = directory_.find(request.queryValue(QStringLiteral("email")).value_or(QString()));
    if (!account || account->password.toUtf8() != request.body)
        return DevstoreReply::problem(401, QStringLiteral("Invalid credentials"));
    return DevstoreReply::json(directory_.identityResponse(*account));
}

DevstoreReply StoreApi::signUp(const DevstoreRequest& request)
{
    const QJsonObject body = request.jsonBody();
    const QString email = body.value("email").toString().trimmed().toLower();
    const QString password = body.value("password").toString();
    if (!email.contains(u'@') || email.startsWith(u'@') || email.endsWith(u'@'))
        return DevstoreReply::problem(422, QStringLiteral("Invalid field"), QStringLiteral("The email address is not valid."));
    if (password.size() < 8)
        return DevstoreReply::problem(422, QStringLiteral("Invalid field"),
                                      QStringLiteral("The password must have at least 8 characters."));
    if (directory_.find(email))
        return DevstoreReply::problem(409, QStringLiteral("Conflict"),
                                      QStringLiteral("An account with this email address already exists."));
    StoreAccount& account = directory_.create(body.value("name").toString(), email, password, false);
    account.confirmationCode = QString::number(QRandomGenerator::global()->bounded(100000, 999999));
    say(QStringLiteral("store confirmation for %1: code %2 (https://%3/confirm?email=%1&code=%2)")
            .arg(email, account.confirmationCode, hosts_.api));
    return DevstoreReply::json(directory_.identityResponse(account));
}

DevstoreReply StoreApi::confirm(const DevstoreRequest& request)
{
    StoreAccount* account = directory_.find(request.queryValue(QStringLiteral("email")).value_or(QString()));
    if (!account || account->confirmationCode.isEmpty()
        || request.queryValue(QStringLiteral("code")) != account->confirmationCode)
        return DevstoreReply::problem(422, QStringLiteral("Invalid code"), QStringLiteral("The confirmation code did not match."));
    account->confirmed = true;
    return DevstoreReply::empty(204);
}

DevstoreReply StoreApi::refresh(const DevstoreRequest& request)
{
    const std::optional<QJsonObject> renewed =
            directory_.refresh(request.queryValue(QStringLiteral("token")).value_or(QString()).toUtf8());
    if (!renewed)
        return DevstoreReply::problem(401, QStringLiteral("Unauthorized"), QStringLiteral("The refresh token is not valid."));
    return DevstoreReply::json(*renewed);
}

DevstoreReply StoreApi::storefront(const StoreAccount* caller) const
{
    QJsonArray products;
    QJsonArray dynamics;
    for (const FixtureProduct& product : FixtureCatalog::products()) {
        const QJsonObject object = catalog_.storefrontProduct(product, caller && caller->owned.contains(product.id));
        products.append(object);
        if (product.id == u"tv-compressor" || product.id == u"tv-limiter" || product.id == u"tv-gate")
            dynamics.append(object);
    }
    return DevstoreReply::json({{"suggestedCurrency", "EUR"},
                                {"enabledCurrencies", QJsonArray{"EUR", "USD", "GBP"}},
                                {"products", products},
                                {"bundles", QJsonArray{FixtureCatalog::bundle(dynamics)}}});
}

DevstoreReply StoreApi::ownedProducts(const DevstoreRequest& request, const StoreAccount& caller) const
{
    QList<const FixtureProduct*> owned;
    for (const QString& id : caller.owned) {
        if (const FixtureProduct* product = FixtureCatalog::find(id))
            owned << product;
    }
    const int page = std::max(1, request.queryValue(QStringLiteral("page")).value_or(QStringLiteral("1")).toInt());
    QJsonArray items;
    for (qsizetype i = qsizetype(page - 1) * pageSize; i < owned.size() && i < qsizetype(page) * pageSize; ++i)
        items.append(catalog_.summary(*owned[i]));
    const bool hasMore = qsizetype(page) * pageSize < owned.size();
    QJsonObject body{{"items", items}, {"hasMore", hasMore}};
    if (hasMore) {
        // The first page links by path, later ones by absolute address: the client takes both.
        const QString next = QStringLiteral("/api/customer/inventory/products?page=%1").arg(page + 1);
        body.insert("next", page == 1 ? next : QStringLiteral("https://") + hosts_.api + next);
    }
    return DevstoreReply::json(body);
}

DevstoreReply StoreApi::resolveDownload(const DevstoreRequest& request, const StoreAccount& caller) const
{
    const QString productId = request.segments.value(3);
    const FixtureProduct* product = FixtureCatalog::find(productId);
    const std::optional<BuiltArtifact> artifact = catalog_.byKey(request.queryValue(QStringLiteral("key")).value_or(QString()));
    if (!product || !artifact || !artifact->key.startsWith(productId + u'-'))
        return DevstoreReply::problem(404, QStringLiteral("Download"));
    if (!caller.owned.contains(productId))
        return DevstoreReply::problem(403, QStringLiteral("Forbidden"),
                                      QStringLiteral("%1 is not among the products of %2.").arg(product->name, caller.email));
    const QString location = downloads_.signedUrl(*artifact);
    if (request.queryValue(QStringLiteral("redirect")) != u"false")
        return DevstoreReply::redirect(302, location.toLatin1());
    return DevstoreReply::json({{"location", location}});
}

DevstoreReply StoreApi::pushOrder(const DevstoreRequest& request, const QString& orderId, const StoreAccount* caller)
{
    const QJsonObject body = request.jsonBody();
    const QString currency = body.value("currency").toString();
    const QJsonArray items = body.value("items").toArray();
    if (currency.isEmpty() || items.isEmpty())
        return DevstoreReply::problem(422, QStringLiteral("Invalid order"), QStringLiteral("An order needs a currency and items."));
    double original = 0;
    double subtotal = 0;
    for (const QJsonValue& item : items) {
        const FixtureProduct* product = FixtureCatalog::find(item.toObject().value("productId").toString());
        const QString variationId = item.toObject().value("variationId").toString();
        const QJsonObject* variation = nullptr;
        for (const QJsonObject& candidate : product ? product->variations : QList<QJsonObject>{}) {
            if (candidate.value("id").toString() == variationId)
                variation = &candidate;
        }
        if (!variation || !variation->value("price").toObject().contains(currency))
            return DevstoreReply::problem(422, QStringLiteral("Invalid order"),
                                          QStringLiteral("A line names no variation that is sold in %1.").arg(currency));
        const double price = variation->value("price").toObject().value(currency).toDouble();
        subtotal += price;
        original += variation->value("originalPrice").toObject().value(currency).toDouble(price);
    }

    Order& order = orders_[orderId];
    order.returnUrl = request.queryValue(QStringLiteral("returnUrl")).value_or(QString());
    order.ownerEmail = caller ? caller->email : QString();
    order.record = {{"id", orderId},
                    {"status", "Open"},
                    {"currency", currency},
                    {"items", items},
                    {"total", QJsonObject{{"original", money(currency, original)},
                                          {"discount", money(currency, std::max(0.0, original - subtotal))},
                                          {"subtotal", money(currency, subtotal)},
                                          {"taxes", money(currency, 0)},
                                          {"due", money(currency, subtotal)}}},
                    {"checkoutUrl", QStringLiteral("https://%1/checkout/%2").arg(hosts_.api, orderId)}};
    if (subtotal == 0 && caller) {
        order.record.insert("status", "Completed");
        settle(order, caller->email);
    }
    return DevstoreReply::json(order.record);
}

std::optional<QJsonObject> StoreApi::order(const QString& orderId) const
{
    const auto found = orders_.constFind(orderId);
    return found == orders_.constEnd() ? std::nullopt : std::optional(found->record);
}

bool StoreApi::setOrderStatus(const QString& orderId, const QString& status)
{
    const auto found = orders_.find(orderId);
    if (found == orders_.end())
        return false;
    found->record.insert("status", status);
    if (settled(status) && !found->ownerEmail.isEmpty())
        settle(*found, found->ownerEmail);
    return true;
}

void StoreApi::settle(Order& order, const QString& email)
{
    if (!directory_.find(email)) {
        const QString password = randomPassword();
        directory_.create(QString(), email, password, true);
        say(QStringLiteral("new store account %1, password %2").arg(email, password));
    }
    order.ownerEmail = email;
    for (const QJsonValue& item : order.record.value("items").toArray())
        directory_.grant(email, item.toObject().value("productId").toString());
}

DevstoreReply StoreApi::checkoutPage(const DevstoreRequest& request)
{
    const QString orderId = request.segments.value(1);
    const auto found = orders_.find(orderId);
    if (request.segments.size() != 2 || found == orders_.end())
        return DevstoreReply::html(QStringLiteral("Checkout"), QStringLiteral("<p>There is no such order.</p>"), 404);
    Order& order = *found;
    const QString returnUrl = order.returnUrl.toHtmlEscaped();
    if (request.method == "POST") {
        const QString action = formValue(request.body, "action");
        const QString email = formValue(request.body, "email").trimmed().toLower();
        if (action == u"pay") {
            order.record.insert("status", "PaymentProcessing");
            const QString id = orderId;
            QTimer::singleShot(3000, this, [this, id, email] {
                if (orders_.contains(id)) {
                    orders_[id].record.insert("status", "Paid");
                    settle(orders_[id], email);
                }
            });
            return DevstoreReply::html(QStringLiteral("Processing"),
                                       QStringLiteral("<p>Processing the payment…</p><script>setTimeout(function(){"
                                                      "location.href=%1},3500)</script>")
                                               .arg(scriptString(order.returnUrl)));
        }
        if (action == u"complete") {
            order.record.insert("status", "Completed");
            settle(order, email);
            return DevstoreReply::html(QStringLiteral("Thank you"),
                                       QStringLiteral("<p>Thank you.</p><p><a id=\"back\" href=\"%1\">Return</a></p>"
                                                      "<script>document.getElementById('back').click()</script>")
                                               .arg(returnUrl));
        }
        if (action == u"fail")
            order.record.insert("status", "Failed");
        else if (action == u"unknown")
            order.record.insert("status", "OnHold");
        return DevstoreReply::html(QStringLiteral("Checkout"),
                                   QStringLiteral("<p>The order is now %1.</p><p><a href=\"/checkout/%2\">Back</a></p>")
                                           .arg(order.record.value("status").toString().toHtmlEscaped(), orderId.toHtmlEscaped()));
    }
    const QString email = order.ownerEmail.isEmpty() ? QStringLiteral("demo@tavren.test") : order.ownerEmail;
    const QJsonObject due = order.record.value("total").toObject().value("due").toObject();
    return DevstoreReply::html(
            QStringLiteral("Checkout"),
            QStringLiteral("<h1>Tavren store checkout</h1><p>Order %1: %2 %3 due.</p>"
                           "<form method=\"post\"><p><label>Email <input name=\"email\" value=\"%4\"></label></p>"
                           "<button name=\"action\" value=\"pay\">Pay</button>"
                           "<button name=\"action\" value=\"complete\">Complete</button>"
                           "<button name=\"action\" value=\"fail\">Fail</button>"
                           "<button name=\"action\" value=\"unknown\">Unknown state</button></form>")
                    .arg(orderId.toHtmlEscaped(), due.value("currency").toString().toHtmlEscaped(),
                         QString::number(due.value("amount").toDouble(), 'f', 2), email.toHtmlEscaped()));
}

DevstoreReply StoreApi::webPage(const DevstoreRequest& request) const
{
    if (request.method != "GET")
        return DevstoreReply::empty(405);
    if (request.segments.isEmpty())
        return DevstoreReply::html(QStringLiteral("Tavren store"), QStringLiteral("<h1>Tavren store</h1><p>The devstore's store front.</p>"));
    if (request.segments.size() == 2 && request.segments[0] == u"buy") {
        const FixtureProduct* product = FixtureCatalog::find(request.segments[1]);
        if (!product)
            return DevstoreReply::html(QStringLiteral("Not found"), QStringLiteral("<p>No such product.</p>"), 404);
        return DevstoreReply::html(product->name, QStringLiteral("<h1>%1</h1><p>%2</p>").arg(product->name.toHtmlEscaped(),
                                                                                              product->tagline.toHtmlEscaped()));
    }
    if (request.segments == QStringList{"terms-of-use"})
        return DevstoreReply::html(QStringLiteral("Terms of use"), QStringLiteral("<h1>Terms of use</h1><p>Demo terms.</p>"));
    if (request.segments == QStringList{"privacy-policy"})
        return DevstoreReply::html(QStringLiteral("Privacy policy"), QStringLiteral("<h1>Privacy policy</h1><p>Demo policy.</p>"));
    return DevstoreReply::html(QStringLiteral("Not found"), QStringLiteral("<p>Nothing here.</p>"), 404);
}

} // namespace hub::devstore
