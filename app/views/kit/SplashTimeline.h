#pragma once

#include <QColor>
#include <QPointF>
#include <QSizeF>
#include <array>
#include <optional>

namespace hub {

// The launch splash as a function of its progress: where the three glows are, how
// the sweep has turned, how large and opaque the mark is.
struct SplashTimeline {
    static constexpr double holdSeconds = 0.85;
    static constexpr double reducedHoldSeconds = 0.2;
    static constexpr double fadeSeconds = 0.3;
    static constexpr double reducedFadeSeconds = 0.2;
    static constexpr double reducedProgress = 0.6;
    static constexpr double leavingScale = 1.08;
    // The longest the splash waits, on its first frame, for the desktop to say whether
    // it wants motion.
    static constexpr double desktopWaitSeconds = 0.25;

    struct Glow {
        QColor color;
        double diameter;
        double rotation; // degrees
        QPointF centre;
    };

    struct Frame {
        double t = 0;
        double e = 0;
        std::array<Glow, 3> glows;
        double sweepStart = 0; // degrees
        double markScale = 0;
        double markOpacity = 0;
    };

    // Frozen when given; else 0.6 under reduced motion; else the elapsed share of the hold.
    static double progress(std::optional<double> frozen, bool reduceMotion, double elapsedSeconds);
    // 1 - (1 - t)^3.
    static double eased(double t);
    static Frame frame(double t, const QSizeF& area);
};

} // namespace hub
