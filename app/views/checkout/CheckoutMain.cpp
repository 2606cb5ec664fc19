// The checkout module's entry, loaded over the window module the first time a
// checkout sheet opens.

#include "app/views/checkout/CheckoutEntry.h"
#include "app/views/checkout/CheckoutView.h"

#include <type_traits>

// The engine's own set-up (its GL context shared with the windows), which it runs by
// itself only when it is loaded before the application exists; exported by the engine.
namespace QtWebEngineCore {
Q_DECL_IMPORT void initialize();
}

extern "C" __attribute__((visibility("default"))) QWidget* tavren_hub_checkout_view(hub::AppModel& model,
                                                                                    const hub::CheckoutSession& session)
{
    static const bool initialized = [] {
        QtWebEngineCore::initialize();
        return true;
    }();
    (void)initialized;
    return new hub::CheckoutView(model, session);
}

// The entry keeps the type the window module calls it through.
static_assert(std::is_same_v<decltype(&tavren_hub_checkout_view), hub::CheckoutEntry::MakeView>);
