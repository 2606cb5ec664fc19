#include "app/views/kit/SplashTimeline.h"

#include "app/views/kit/Theme.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace hub {

double SplashTimeline::progress(std::optional<double> frozen, bool reduceMotion, double elapsedSeconds)
{
    if (frozen)
        return *frozen;
    if (reduceMotion)
        return reducedProgress;
    return std::clamp(elapsedSeconds / holdSeconds, 0.0, 1.0);
}

double SplashTimeline::eased(double t)
{
    return 1 - std::pow(1 - t, 3);
}

SplashTimeline::Frame SplashTimeline::frame(double t, const QSizeF& area)
{
    const double w = area.width();
    const double h = area.height();
    const double m = std::max(w, h);
    const double e = eased(t);
    Frame frame;
    frame.t = t;
    frame.e = e;
    frame.glows = {{
        {Theme::violet(), 0.95 * m, 40 * e, {w * (0.15 + 0.2 * e), h * (0.85 - 0.3 * e)}},
        {Theme::magenta(), 0.85 * m, -30 * e, {w * (0.85 - 0.3 * e), h * (0.2 + 0.25 * e)}},
        {Theme::orange(), 0.75 * m, 60 * e, {w * (0.5 + 0.25 * std::cos(std::numbers::pi * e)), h * (1.0 - 0.4 * e)}},
    }};
    frame.sweepStart = 120 * e - 90;
    frame.markScale = 0.86 + 0.14 * e;
    frame.markOpacity = std::min(1.0, 2.2 * t);
    return frame;
}

} // namespace hub
