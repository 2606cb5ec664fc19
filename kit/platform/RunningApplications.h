#pragma once

#include <QString>

namespace hub {

// Which programs are running, as far as installing needs to know: a bundle is in use
// when a process runs an executable that lies inside it (found through /proc/PID/exe).
// Processes of other users that we may not inspect are not seen.
namespace RunningApplications {

// Whether any process's executable lies inside the bundle (links resolved). A bundle
// that does not exist has nothing running.
bool anyInside(const QString& bundle);

} // namespace RunningApplications

} // namespace hub
