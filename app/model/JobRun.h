#pragma once

#include <QtGlobal>
#include <stop_token>

namespace hub {

// The handle of one run of an install job: stopping it pauses a download (the
// pipeline hands back resume data); the id tells this run's stage reports from
// those of an earlier run of the same job.
struct JobRun {
    std::stop_source stop;
    quint64 id = 0;

    bool operator==(const JobRun& other) const { return id == other.id; }
};

} // namespace hub
