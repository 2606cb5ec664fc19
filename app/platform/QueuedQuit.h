#pragma once

namespace hub {

// Ends the application's event loop through the loop itself: at once when it runs,
// or as soon as it starts (a plain quit before the loop runs is lost). Main thread.
void queuedQuit();

} // namespace hub
