#include "app/model/Checkout.h"

#include "app/model/Accounts.h"
#include "app/model/Assign.h"
#include "app/model/Banners.h"
#include "app/model/Cart.h"
#include "app/model/Preferences.h"
#include "app/model/RefreshCycle.h"
#include "app/model/RunOn.h"
#include "kit/api/MoonbaseError.h"

#include <QPointer>
#include <QUuid>

namespace hub {

Checkout::Checkout(const Services& services, ModelPools& pools, Parts parts, QObject* parent)
    : QObject(parent), services_(services), pools_(pools), parts_(parts)
{
}

QCoro::Task<> Checkout::beginCheckout(QList<CartLine> lines, bool clearsCart)
{
    if (lines.isEmpty())
        co_return;
    QPointer<Checkout> self(this);
    const QString orderId = QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
    const QUrl returnURL = CheckoutSession::returnURLFor(orderId);
    QList<OrderLineItem> items;
    for (const CartLine& line : lines)
        items.append(OrderLineItem::product(line.product.id, line.variation.id, 1));
    const std::shared_ptr<MoonbaseClient> client = services_.client;
    const QString currency = parts_.preferences.currency();
    std::optional<Order> order;
    try {
        auto push = runOn(pools_.reads, [=] { return client->pushOrder(orderId, currency, items, returnURL); });
        order = co_await push;
    } catch (const std::exception& error) {
        if (self)
            parts_.refresh.report(error);
        co_return;
    }
    if (!self)
        co_return;
    if (!order->checkoutUrl) {
        parts_.refresh.report(MoonbaseError::blockedURL(noCheckoutURL));
        co_return;
    }
    const QString& text = *order->checkoutUrl;
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || !client->policy().allowsAPI(url)) {
        parts_.refresh.report(MoonbaseError::blockedURL(text));
        co_return;
    }
    CheckoutSession session{order->id, url, returnURL, {}, {}, clearsCart};
    for (const CartLine& line : lines) {
        session.productNames.append(line.product.name);
        session.productIds.append(line.product.id);
    }
    setCheckout(std::move(session));
}

QCoro::Task<> Checkout::checkoutFinished(CheckoutSession session, Order)
{
    // A late answer for an older order leaves a newer checkout open.
    if (checkout_ && checkout_->orderId == session.orderId)
        show(std::nullopt);
    if (session.clearsCart)
        parts_.cart.clear();
    parts_.cart.removeFromWishlist(session.productIds);
    parts_.banners.flash(Banner::Tone::success, QStringLiteral("Payment received for ") + session.productNames.join(QStringLiteral(", ")));
    if (!parts_.accounts.storeUser())
        parts_.accounts.openSignIn(SignInPurpose::connectStore(paidEmailReason));
    auto refresh = parts_.refresh.refreshAll(RefreshCycle::Join::fresh);
    co_await refresh;
}

void Checkout::cancel()
{
    setCheckout(std::nullopt);
}

void Checkout::setCheckout(std::optional<CheckoutSession> session)
{
    const std::optional<CheckoutSession> previous = checkout_;
    if (!show(std::move(session)) || !previous)
        return;
    if (!checkout_ || checkout_->orderId != previous->orderId)
        lookOnceMore(*previous);
}

bool Checkout::show(std::optional<CheckoutSession> session)
{
    if (!assign(checkout_, std::move(session)))
        return false;
    emit checkoutChanged();
    return true;
}

QCoro::Task<> Checkout::lookOnceMore(CheckoutSession session)
{
    QPointer<Checkout> self(this);
    const std::shared_ptr<MoonbaseClient> client = services_.client;
    if (!client)
        co_return;
    std::optional<Order> order;
    try {
        auto fetch = runOn(pools_.reads, [client, id = session.orderId] { return client->order(id); });
        order = co_await fetch;
    } catch (const std::exception&) {
        co_return; // the order stays at the store, as it is
    }
    if (!self || !isSettled(order->status))
        co_return;
    auto finish = checkoutFinished(std::move(session), std::move(*order));
    co_await finish;
}

} // namespace hub
