#pragma once

#include "kit/api/TokenPersistence.h"

#include <mutex>

namespace hub {

// A session that lives only as long as this object; safe from any thread.
class InMemoryTokenPersistence : public TokenPersistence {
public:
    std::optional<SessionTokens> load() override;
    void save(const SessionTokens& tokens) override;
    void clear() override;

private:
    std::mutex mutex_;
    std::optional<SessionTokens> tokens_;
};

} // namespace hub
