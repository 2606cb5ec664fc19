#pragma once

#include "kit/api/OrderStatus.h"

#include <QString>

namespace hub {

// The checkout sheet's header bar, decided from its state: the lock, the host, the
// spinner and the status line.
struct CheckoutPresenter {
    struct Input {
        QString host;       // of the page the web view shows
        bool secure = true; // https with nothing insecure blocked on it
        OrderStatus status = OrderStatus::open; // last fetched from the store
        bool returned = false; // the page has tried to open the return address
        bool loading = true;
    };

    struct Header {
        QString lockSymbol;
        bool lockGreen = true; // else red
        QString lockName;      // what a screen reader reads for the lock
        QString host;
        bool spinner = false;
        QString status;
        bool operator==(const Header&) const = default;
    };

    static Header present(const Input& input);
    static QString statusText(OrderStatus status, bool returned);
};

} // namespace hub
