#include "tests/app/fakes/FakeStore.h"

#include "kit/api/Paged.h"
#include "tests/testkit/StoreResponses.h"

#include <QJsonDocument>
#include <cstring>

namespace hub {

namespace {

template <typename Record>
QByteArray bytes(const Record& record)
{
    return QJsonDocument(record.toJson()).toJson(QJsonDocument::Compact);
}

} // namespace

FakeStore::FakeStore() : transport_(std::make_shared<ScriptedTransport>())
{
    transport_->route("GET", productsPath, [this](const HttpRequest& request) { return answerProducts(request); });
}

HttpResponse FakeStore::answerProducts(const HttpRequest& request)
{
    const QByteArray path = ScriptedTransport::pathOf(request.url).split('?').first();
    const std::lock_guard lock(mutex_);
    if (path == productsPath) {
        if (!request.header("Authorization"))
            return ScriptedTransport::response(401, {});
        return owned_ ? ScriptedTransport::response(200, *owned_) : ScriptedTransport::response(404, {});
    }
    const QString id = QString::fromUtf8(QByteArray::fromPercentEncoding(path.mid(qsizetype(strlen(productsPath)) + 1)));
    const auto found = products_.constFind(id);
    if (found == products_.constEnd())
        return ScriptedTransport::response(404, R"({"title":"Not found","detail":"No such product"})");
    return ScriptedTransport::response(200, *found);
}

void FakeStore::serveStorefront(const Storefront& storefront)
{
    transport_->route("GET", storefrontPath, 200, bytes(storefront));
}

void FakeStore::serveUser(const User& user)
{
    transport_->route("GET", userPath, 200, bytes(user));
}

void FakeStore::serveOwned(const QList<ProductSummary>& owned)
{
    Paged<ProductSummary> page;
    page.items = owned;
    const std::lock_guard lock(mutex_);
    owned_ = bytes(page);
}

void FakeStore::serveProduct(const ProductSummary& product)
{
    const std::lock_guard lock(mutex_);
    products_.insert(product.id, bytes(product));
}

void FakeStore::withdrawProduct(const QString& id)
{
    const std::lock_guard lock(mutex_);
    products_.remove(id);
}

void FakeStore::serveSignIn(const User& user)
{
    const QString token = StoreResponses::accessToken(QDateTime::currentDateTimeUtc().addDays(1));
    QJsonObject identity = user.toJson();
    identity.insert(QStringLiteral("accessToken"), token);
    identity.insert(QStringLiteral("refreshToken"), QStringLiteral("refresh"));
    const QByteArray body = QJsonDocument(identity).toJson(QJsonDocument::Compact);
    transport_->route("POST", "/api/customer/identity/sign-in", 200, body);
    transport_->route("POST", "/api/customer/identity/sign-up", 200, body);
}

void FakeStore::fail(const QByteArray& method, const QByteArray& prefix, int status, const QString& detail)
{
    const QJsonObject problem{{QStringLiteral("title"), detail}, {QStringLiteral("detail"), detail}};
    transport_->route(method, prefix, status, QJsonDocument(problem).toJson(QJsonDocument::Compact));
}

} // namespace hub
