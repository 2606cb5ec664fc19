#pragma once

#include <QString>

namespace hub {

// The hub's own folders. Every folder made here is owner-only (0700).
// Failures throw std::system_error.
namespace AppDirectories {

// Creates the folder and any missing parents with 0700, then sets 0700 on the
// folder itself even when it existed. Returns the path unchanged. A folder that is a
// link, or another user's, is refused (and left as it is).
QString owned(const QString& folder);

// The application-support folder: $XDG_DATA_HOME/"Tavren Hub" (ledger, floors, install lock);
// a link to a folder of this user's is followed, since nothing in it is swept.
QString support();
// The cache root's subfolder `name`: $XDG_CACHE_HOME/"com.tavren.hub"/name; both
// folders pass through owned().
QString cache(const QString& name);
// The install engine's work folder: cache("work").
QString work();

} // namespace AppDirectories

} // namespace hub
