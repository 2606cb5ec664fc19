#pragma once

#include <QByteArray>
#include <QString>

namespace hub {

// The web engine's own command line, which the hub alone chooses: the engine reads
// QTWEBENGINE_CHROMIUM_FLAGS in place of the process arguments when it is set, and
// the process arguments after "--webEngineArgs" otherwise. A release build hands it
// no flags; the demo flavour reaches the devstore's hosts and accepts its keys
// through the arguments the devstore writes beside its deployment file
// (webengine.args, one a line).
namespace WebEngineArguments {

// How many leading arguments are the application's: all before the engine's
// separator, matched as the engine matches it (any case).
int applicationCount(int argc, const char* const* argv);
// Drops what the environment would hand the engine (flags, remote debugging): the
// flags are set empty, so the engine takes no process argument. Call first thing,
// before any thread runs.
void clearInherited();
// Asks the engine to expose the page to screen readers, which on Linux it does only
// when asked; a value the user's environment set stays. Call before any thread runs.
void enableAccessibility();
// Sets the demo's flags; call before the first web engine object exists.
void applyDemo();
// The engine's flags from `lines`, each quoted when it holds a space.
QByteArray flags(const QString& lines);

} // namespace WebEngineArguments

} // namespace hub
