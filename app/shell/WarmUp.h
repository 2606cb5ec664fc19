#pragma once

#include <thread>

namespace hub {

// What the first screen reads from the system (the font database, the date patterns of
// the user's locale) and the first request's set-up (libcurl, the trust), read on a thread
// of its own while the model and the window are put together; the main thread then
// finds each ready, or waits for the rest. Made after the application object and the
// user's locale; joined when it goes.
class WarmUp {
public:
    WarmUp();

private:
    std::jthread thread_;
};

} // namespace hub
