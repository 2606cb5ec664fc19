#include "app/views/checkout/CheckoutPoller.h"

#include "app/model/Assign.h"
#include "app/model/RunOn.h"
#include "kit/api/MoonbaseClient.h"

#include <QPointer>

namespace hub {

CheckoutPoller::CheckoutPoller(std::shared_ptr<MoonbaseClient> client, QThreadPool& pool, Sleeper sleep, QString orderId,
                               QObject* parent)
    : QObject(parent), client_(std::move(client)), pool_(pool), sleep_(std::move(sleep)), orderId_(std::move(orderId))
{
}

void CheckoutPoller::start()
{
    if (started_)
        return;
    started_ = true;
    run();
}

QCoro::Task<> CheckoutPoller::run()
{
    // Members are read only while `self` holds: the poller may go during any await.
    QPointer<CheckoutPoller> self(this);
    const std::shared_ptr<MoonbaseClient> client = client_;
    const QString orderId = orderId_;
    QThreadPool& pool = pool_;
    while (self && !stopped_) {
        auto wait = sleep_(waitBefore(returned_));
        co_await wait;
        if (!self || stopped_)
            co_return;
        std::optional<Order> order;
        try {
            auto fetch = runOn(pool, [client, orderId] { return client->order(orderId); });
            order = co_await fetch;
        } catch (const std::exception&) {
            continue; // the next pass asks again
        }
        if (!self || stopped_)
            co_return;
        if (assign(status_, order->status))
            emit statusChanged(status_);
        if (isSettled(status_)) {
            emit settled(*order);
            co_return;
        }
    }
}

} // namespace hub
