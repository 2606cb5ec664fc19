#pragma once

#include "app/model/Sleeper.h"
#include "kit/api/Order.h"

#include <QObject>
#include <QThreadPool>
#include <memory>

namespace hub {

class MoonbaseClient;

// Asks the store for one order's status until it is settled: every 4 s, every
// 1.5 s once the payment page has come back. Store errors are ignored and the
// next pass tries again. Stopping or deleting the poller ends the loop; nothing is
// reported after that, not even the answer of a fetch under way.
class CheckoutPoller : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds interval{4000};
    static constexpr std::chrono::milliseconds returnedInterval{1500};

    CheckoutPoller(std::shared_ptr<MoonbaseClient> client, QThreadPool& pool, Sleeper sleep, QString orderId,
                   QObject* parent = nullptr);

    void start();
    // Ends the loop for good: a fetch under way is dropped when it answers.
    void stop() { stopped_ = true; }
    void setReturned() { returned_ = true; }
    bool returned() const { return returned_; }
    OrderStatus status() const { return status_; }
    static std::chrono::milliseconds waitBefore(bool returned) { return returned ? returnedInterval : interval; }

signals:
    void statusChanged(hub::OrderStatus status);
    // Once, with the first paid or completed order; the loop has ended.
    void settled(const hub::Order& order);

private:
    QCoro::Task<> run();

    std::shared_ptr<MoonbaseClient> client_;
    QThreadPool& pool_;
    Sleeper sleep_;
    QString orderId_;
    OrderStatus status_ = OrderStatus::open;
    bool returned_ = false;
    bool started_ = false;
    bool stopped_ = false;
};

} // namespace hub
