#pragma once

#include "kit/api/TokenPersistence.h"

#include <exception>
#include <mutex>
#include <optional>

namespace hub {

// Reads a client's stored session once. An unreadable store leaves it unknown (`loaded`
// stays false) and returns the error, so the next call asks again. The read runs without
// the lock; a session adopted or forgotten meanwhile wins over what was read.
template <typename Adopt>
std::exception_ptr loadStoredSessionOnce(std::mutex& mutex, bool& loaded, TokenPersistence& persistence, Adopt&& adopt)
{
    {
        std::lock_guard lock(mutex);
        if (loaded)
            return nullptr;
    }
    std::optional<SessionTokens> stored;
    try {
        stored = persistence.load();
    } catch (const std::exception&) {
        return std::current_exception();
    }
    std::lock_guard lock(mutex);
    if (!loaded) {
        adopt(std::move(stored));
        loaded = true;
    }
    return nullptr;
}

} // namespace hub
