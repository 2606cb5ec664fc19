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
    // Opens the links a second instance hands to this one.
    void follow(SingleInstance& instance);

private:
    const Services& services_;
    Navigation& navigation_;
};

} // namespace hub
