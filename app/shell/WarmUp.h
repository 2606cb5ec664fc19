#pragma once

#include <thread>

namespace hub {

// What the first screen reads from the system (the font database, the date patterns of
// the user's locale), read on a thread of its own while the model and the window are put
// together; the main thread then finds each ready, or waits for the rest. Made after the
// application object and the user's locale; joined when it goes.
class WarmUp {
public:
    WarmUp();

    // The first request's set-up (libcurl, the trust) on another thread, for a first screen
    // that waits for the store. One drawn from the snapshot does not wait for it, and loading
    // the library meanwhile slows the window's own start.
    void prepareNetwork();

private:
    std::jthread thread_;
    std::jthread network_;
};

} // namespace hub
