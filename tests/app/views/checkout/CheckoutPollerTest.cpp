// The checkout sheet's order loop on a fake clock and a scripted store.

#include "app/views/checkout/CheckoutPoller.h"

#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSemaphore>
#include <gtest/gtest.h>

using namespace hub;
using namespace std::chrono_literals;

namespace {

class Poller : public ::testing::Test {
protected:
    static QByteArray order(const QString& status)
    {
        return QJsonDocument(QJsonObject{{"id", "order-1"}, {"status", status}, {"currency", "EUR"}, {"items", QJsonArray{}}}).toJson();
    }
    // The store's answer from now on; an empty status answers 500.
    void answer(const QString& status) { harness.store.transport()->route("GET", path, status.isEmpty() ? 500 : 200, order(status)); }

    int fetches() const { return harness.store.calls(path); }

    void start()
    {
        poller = std::make_unique<CheckoutPoller>(harness.services().client, pool, harness.sleeper.sleeper(), "order-1");
        QObject::connect(poller.get(), &CheckoutPoller::settled, [this](const Order& order) { settled = order; });
        poller->start();
    }

    // The wait runs out (`wait` later) and the fetch after it has answered.
    void pass(std::chrono::milliseconds wait)
    {
        const int before = fetches();
        harness.sleeper.advance(wait);
        pool.waitForDone();
        ASSERT_EQ(fetches(), before + 1);
        ASSERT_TRUE(test::eventually([&] { return !harness.sleeper.pending().isEmpty() || settled; }));
    }

    static constexpr const char* path = "/api/customer/orders/order-1";
    ModelHarness harness;
    QThreadPool pool;
    std::unique_ptr<CheckoutPoller> poller;
    std::optional<Order> settled;
};

} // namespace

TEST_F(Poller, WaitsFourSecondsUntilTheReturnThenOneAndAHalf)
{
    answer("Open");
    start();
    EXPECT_EQ(harness.sleeper.pending(), QList{4000ms});
    pass(4000ms);
    poller->setReturned(); // the wait under way keeps its length
    EXPECT_EQ(harness.sleeper.pending(), QList{4000ms});
    pass(4000ms);
    EXPECT_EQ(harness.sleeper.pending(), QList{1500ms});
}

TEST_F(Poller, ErrorsAndFailedPaymentsKeepPollingUntilPaid)
{
    const struct {
        const char* answer;
        OrderStatus status; // afterwards
    } passes[] = {
        {"", OrderStatus::open}, {"Failed", OrderStatus::failed}, {"", OrderStatus::failed},
        {"PaymentProcessing", OrderStatus::paymentProcessing}, {"OnHold", OrderStatus::unknown},
        {"Completed", OrderStatus::completed},
    };
    start();
    for (const auto& next : passes) {
        EXPECT_FALSE(settled);
        answer(next.answer);
        pass(4000ms);
        EXPECT_EQ(poller->status(), next.status) << next.answer;
    }
    ASSERT_TRUE(settled);
    EXPECT_EQ(settled->status, OrderStatus::completed);
    EXPECT_TRUE(harness.sleeper.pending().isEmpty()) << "the loop has ended";
}

TEST_F(Poller, NothingIsReportedOnceStoppedOrGone)
{
    // Each answer waits for the gate, so the poller can go while its fetch is under way.
    QSemaphore gate;
    harness.store.transport()->route("GET", path, [&gate](const HttpRequest&) {
        gate.acquire();
        return ScriptedTransport::response(200, order("Paid"));
    });
    const auto answered = [&] {
        gate.release();
        pool.waitForDone();
        QCoreApplication::processEvents();
    };
    start();
    poller->stop(); // during a wait: no fetch at all
    harness.sleeper.advance(4000ms);
    start();
    harness.sleeper.advance(4000ms);
    poller->stop(); // during the fetch: its answer is dropped
    answered();
    start();
    harness.sleeper.advance(4000ms);
    poller.reset(); // gone during the fetch: the same
    answered();
    EXPECT_EQ(fetches(), 2);
    EXPECT_FALSE(settled);
}
