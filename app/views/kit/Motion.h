#pragma once

#include <QVariantAnimation>
#include <optional>

namespace hub {

// The one switch for every animation of the views: off in snapshots and tests, and
// under reduced motion. Reduced motion is the desktop's own setting once followed;
// TAVREN_HUB_REDUCE_MOTION overrides it (set: reduced; "0": not reduced).
namespace Motion {

bool enabled();
// Fixes the switch, whatever the desktop or the variable say; none lets them decide again.
void setEnabled(std::optional<bool> on);
// From now on the desktop's setting counts (kept up to date while the app runs). The
// session bus is reached on the next turn of the event loop, out of the way of the
// first frame; the desktop answers some milliseconds later.
void followDesktop();
// False while the desktop followed has not answered yet (and neither the fixed switch
// nor the variable decides): enabled() says on until then, which may change.
bool settled();
// Calls `changed` whenever the desktop answers or changes its setting, while `context` lives.
void onChange(QObject* context, std::function<void()> changed);

// Runs from `from` to `to` over `ms` with `curve`, calling `step` with each value;
// owned by `owner`. Returns the animation, already started; with motion off, calls
// `step` with `to` at once and returns nothing.
QVariantAnimation* animate(QObject* owner, const QVariant& from, const QVariant& to, int ms,
    QEasingCurve curve, std::function<void(const QVariant&)> step);

} // namespace Motion

} // namespace hub
