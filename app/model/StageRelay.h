#pragma once

#include "kit/install/InstallStage.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace hub {

// Carries a run's stage reports from the pipeline's thread to the main thread.
// Reports collapse at the source: only the latest is kept, and at most one queued
// call is in flight, so a fast download costs the main thread one call per turn
// of its event loop, not one per chunk.
class StageRelay : public std::enable_shared_from_this<StageRelay> {
public:
    // `deliver` runs on the application's thread; it decides whether the report still counts.
    static std::shared_ptr<StageRelay> make(std::function<void(const InstallStage&)> deliver);

    // Any thread; never blocks on the main thread.
    void report(const InstallStage& stage);

private:
    explicit StageRelay(std::function<void(const InstallStage&)> deliver) : deliver_(std::move(deliver)) {}
    void flush();

    const std::function<void(const InstallStage&)> deliver_;
    std::mutex mutex_;
    std::optional<InstallStage> latest_;
    bool posted_ = false;
};

} // namespace hub
