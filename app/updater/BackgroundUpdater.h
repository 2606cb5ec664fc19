#pragma once

#include "app/updater/BackgroundEnvironment.h"

#include <QSettings>
#include <QString>
#include <QStringList>

namespace hub {

class LaunchAgent;

// The headless background update ("tavren-hub --background-update"), and the two
// operations of the windowed app that manage the launch agent that starts it.
namespace BackgroundUpdater {

// Whether the arguments ask for the headless run (one argument equal to it exactly).
bool isRequested(int argc, char** argv);

// One run: the gates (automatic updates off, the app running, the install lock taken
// elsewhere, no store session, no folders) stop it silently; otherwise every recorded
// product is brought to its newest release, each result logged under
// "com.tavren.hub.background-update" and summed up in one notification. Holds the
// install lock from the third gate to the end. Always returns 0; never throws.
int run(const BackgroundEnvironment& environment);

// Makes a QCoreApplication (never a GUI one), runs run() off the main thread while the
// main thread runs the event loop, and returns the run's status for main() to exit with.
int runAndExit(int argc, char** argv);

// "Tavren Hub updated N product(s)", or "Tavren updates need you" when nothing was updated.
QString notificationTitle(qsizetype updatedCount);
// The updated lines, then "Open Tavren Hub to finish: " with the failed names.
QString notificationBody(const QStringList& updated, const QStringList& failed);

// At every start of the windowed app: registers the agent unless background updates were
// turned off, this is a screenshot run, the hub does not run from its installed location,
// or the agent is anything but not registered. Errors are swallowed.
void registerByDefault(QSettings& defaults, const QStringList& arguments, bool runsFromInstalledLocation,
                       const LaunchAgent& agent);
// The Settings switch: records the choice in "backgroundUpdatesTurnedOff" first, then
// registers or unregisters the agent; a failure is thrown (LaunchAgentError).
void setEnabled(bool enabled, QSettings& defaults, const LaunchAgent& agent);

} // namespace BackgroundUpdater

} // namespace hub
