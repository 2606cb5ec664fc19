#pragma once

#include "app/model/Services.h"

#include <functional>

namespace hub {

// The composition root: builds the kit objects the app lives on, once, and hands
// them to the model as Services. The desktop functions (open a URL, frontmost,
// badge, notifications, snapshots) are filled in by the shell's window code.
namespace Composition {

// When the application-support or the work folder cannot be had, the ledger or the
// installs live in a private folder of this process (0700, made with mkdtemp), never
// a shared temporary one, removed when what lives in it goes.
Services standard(const QStringList& arguments);

} // namespace Composition

} // namespace hub
