#pragma once

#include <QVariantAnimation>

namespace hub {

// The one switch for every animation of the views: off in snapshots, tests and
// under reduced motion (TAVREN_HUB_REDUCE_MOTION set).
namespace Motion {

bool enabled();
void setEnabled(bool on);

// Runs from `from` to `to` over `ms` with `curve`, calling `step` with each value;
// owned by `owner`. Returns the animation, already started; with motion off, calls
// `step` with `to` at once and returns nothing.
QVariantAnimation* animate(QObject* owner, const QVariant& from, const QVariant& to, int ms,
    QEasingCurve curve, std::function<void(const QVariant&)> step);

} // namespace Motion

} // namespace hub
