#pragma once

#include "app/model/Services.h"

#include <QObject>

namespace hub {

class Navigation;

// Follows "tavren-hub:" links: to a product page, the library or the updates list.
// Any link of the scheme brings the app forward; others are ignored entirely.
class DeepLinks : public QObject {
    Q_OBJECT

public:
    DeepLinks(const Services& services, Navigation& navigation, QObject* parent = nullptr);

    void open(const QString& url);
    // Opens the link the app was started with, if any.
    void openLaunchLink();
    // Opens the links a second instance hands to this one (SingleInstance::messageReceived);
    // a second start without a link (an empty message) only brings the app forward. A template,
    // so that the model does not link the single-instance server and its network library.
    template <typename Instance>
    void follow(Instance& instance)
    {
        connect(&instance, &Instance::messageReceived, this, &DeepLinks::received);
    }

private:
    void received(const QString& message);

    const Services& services_;
    Navigation& navigation_;
};

} // namespace hub
