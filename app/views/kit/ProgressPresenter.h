#pragma once

#include "kit/install/InstallStage.h"

#include <QString>
#include <optional>

namespace hub {

// The texts and figures of a job's progress: the pill's caption, ring and
// fraction, and the stage view's line for each stage.
struct ProgressPresenter {
    // "Starting", "Downloading", "Checking signatures", "Installing"; empty otherwise.
    static QString caption(const InstallStage& stage);
    // received / expected, capped at 1, while downloading with an expected size;
    // nothing otherwise (the ring spins).
    static std::optional<double> fraction(const InstallStage& stage);
    static int ringSize(bool large) { return large ? 26 : 22; }

    enum class Look { label, spinner, bar };
    enum class Tone { secondary, primary, green, red };

    struct Line {
        Look look = Look::label;
        QString text;
        QString symbol; // empty: none
        Tone tone = Tone::secondary;
        double fraction = 0;      // the bar
        QString bytes;            // the bar's "received of expected"
        int maxLines = 1;
        bool selectable = false;  // a failure can be copied
        bool operator==(const Line&) const = default;
    };

    // The stage view of `stage`; `fraction` is the caller's (Downloads list).
    static Line line(const InstallStage& stage, std::optional<double> fraction);
};

} // namespace hub
