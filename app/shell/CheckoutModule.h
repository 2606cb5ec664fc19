#pragma once

#include "app/views/checkout/CheckoutEntry.h"

#include <QString>

namespace hub {

// The checkout module, loaded the first time a checkout sheet opens, so the window
// starts without the web engine. A module that is missing or does not load gives a
// failure banner and no sheet; the next checkout tries again.
class CheckoutModule {
public:
    static inline const QString unavailable =
        QStringLiteral("The checkout could not be opened: part of Tavren Hub is missing or damaged. Reinstalling it should help.");

    explicit CheckoutModule(QString path = standardPath());

    // Beside the window module: lib/tavren-hub/tavren-hub-checkout.so.
    static QString standardPath();

    // The sheet's content, or nothing (with the failure banner shown) when the module is unusable.
    QWidget* makeView(AppModel& model, const CheckoutSession& session);
    bool isLoaded() const { return make_ != nullptr; }

private:
    CheckoutEntry::MakeView load();

    const QString path_;
    CheckoutEntry::MakeView make_ = nullptr;
};

} // namespace hub
