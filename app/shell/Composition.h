#pragma once

#include "app/model/Services.h"

#include <functional>

namespace hub {

// The composition root: builds the kit objects the app lives on, once, and hands
// them to the model as Services. The desktop functions (open a URL, frontmost,
// badge, notifications, snapshots) are filled in by the shell's window code.
namespace Composition {

Services standard(const QStringList& arguments);

// The ledger's folder when the application-support folder cannot be made: a
// private folder of this process (0700, made with mkdtemp), never a shared
// temporary one, removed when what lives in it goes. Empty when even that fails.
QString privateFallbackFolder();

} // namespace Composition

} // namespace hub
