#pragma once

#include "kit/api/ProductSummary.h"
#include "kit/api/Storefront.h"
#include "kit/api/User.h"
#include "tests/testkit/ScriptedTransport.h"

#include <QHash>
#include <memory>
#include <mutex>

namespace hub {

// The store's customer API over a ScriptedTransport, answering with records the
// test gives. Every answer can be changed between calls.
class FakeStore {
public:
    FakeStore();

    std::shared_ptr<ScriptedTransport> transport() const { return transport_; }

    void serveStorefront(const Storefront& storefront);
    void serveUser(const User& user);
    void serveOwned(const QList<ProductSummary>& owned);
    void serveProduct(const ProductSummary& product); // an unknown id answers 404
    void withdrawProduct(const QString& id);
    // Sign-in and sign-up answer with a session for `user`.
    void serveSignIn(const User& user);
    // Any call under the prefix answers with this status and a problem body.
    void fail(const QByteArray& method, const QByteArray& prefix, int status, const QString& detail = {});

    int calls(const QByteArray& prefix) const { return int(transport_->requestsTo(prefix).size()); }

    static constexpr const char* storefrontPath = "/api/customer/storefront";
    static constexpr const char* userPath = "/api/customer/meta/user";
    static constexpr const char* productsPath = "/api/customer/inventory/products";

private:
    HttpResponse answerProducts(const HttpRequest& request);

    std::shared_ptr<ScriptedTransport> transport_;
    std::mutex mutex_;
    std::optional<QByteArray> owned_;
    QHash<QString, QByteArray> products_;
};

} // namespace hub
