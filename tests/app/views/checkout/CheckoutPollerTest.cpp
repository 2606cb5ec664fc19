// The checkout sheet's order loop on a fake clock and a scripted store.

#include "app/views/checkout/CheckoutPoller.h"

#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace hub;
using namespace std::chrono_literals;

namespace {

class Poller : public ::testing::Test {
protected:
    // The store's answer from now on; an empty status answers 500.
    void answer(const QString& status)
    {
        const QJsonObject order{{"id", "order-1"}, {"status", status}, {"currency", "EUR"}, {"items", QJsonArray{}}};
        harness.store.transport()->route("GET", path, status.isEmpty() ? 500 : 200, QJsonDocument(order).toJson());
    }

    int fetches() const { return harness.store.calls(path); }

    void start()
    {
        poller = std::make_unique<CheckoutPoller>(harness.services().client, pool, harness.sleeper.sleeper(), "order-1");
        QObject::connect(poller.get(), &CheckoutPoller::settled, [this](const Order& order) { settled = order; });
        poller->start();
    }

    // The wait under way runs out and the fetch after it has answered.
    void pass(std::chrono::milliseconds wait)
    {
        const int before = fetches();
        harness.sleeper.advance(wait);
        ASSERT_TRUE(test::eventually([&] { return fetches() == before + 1; }));
        ASSERT_TRUE(test::eventually([&] { return !harness.sleeper.pending().isEmpty() || settled; }));
    }

    void answered()
    {
        pool.waitForDone();
        QCoreApplication::processEvents();
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
    harness.sleeper.advance(3999ms);
    answered();
    EXPECT_EQ(fetches(), 0);
    pass(1ms);
    EXPECT_EQ(harness.sleeper.pending(), QList{4000ms});
    poller->setReturned(); // the wait under way keeps its length
    pass(4000ms);
    EXPECT_EQ(harness.sleeper.pending(), QList{1500ms});
    pass(1500ms);
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
    };
    start();
    for (const auto& next : passes) {
        answer(next.answer);
        pass(4000ms);
        EXPECT_EQ(poller->status(), next.status) << next.answer;
    }
    EXPECT_FALSE(settled);
    answer("Completed");
    pass(4000ms);
    ASSERT_TRUE(settled);
    EXPECT_EQ(settled->status, OrderStatus::completed);
    EXPECT_TRUE(harness.sleeper.pending().isEmpty()) << "the loop has ended";
}

TEST_F(Poller, NothingIsReportedOnceStoppedOrGone)
{
    answer("Paid");
    start();
    poller->stop(); // during a wait: no fetch at all
    harness.sleeper.advance(4000ms);
    answered();
    EXPECT_EQ(fetches(), 0);

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
