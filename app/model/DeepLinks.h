#pragma once

#include "app/model/Services.h"

#include <QObject>

namespace hub {

class Navigation;
class SingleInstance;

// Follows "tavren-hub:" links: to a product page, the library or the updates list.
// Any link of the scheme brings the app forward; others are ignored entirely.
class DeepLinks : public QObject {
    Q_OBJECT

public:
    DeepLinks(const Services& services, Navigation& navigation, QObject* parent = nullptr);

    void open(const QString& url);
    // Opens the link the app was started with, if any.
    void openLaunchLink();
    // Opens the links a second instance hands to this one; a second start without a
    // link (an empty message) only brings the app forward.
    void follow(SingleInstance& instance);

private:
    const Services& services_;
    Navigation& navigation_;
};

} // namespace hub
