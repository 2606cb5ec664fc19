#pragma once

#include "kit/api/TokenPersistence.h"

#include <memory>
#include <mutex>
#include <optional>

namespace hub {

// A session store whose first load answers with a session read from it just before, so that
// the same keychain item is not read twice in a row; every later call goes to the store. A
// save or clear before that first load makes what was read out of date, and it is dropped.
class PrereadTokenPersistence : public TokenPersistence {
public:
    PrereadTokenPersistence(std::shared_ptr<TokenPersistence> store, std::optional<SessionTokens> preread);

    std::optional<SessionTokens> load() override;
    void save(const SessionTokens& tokens) override;
    void clear() override;

private:
    void dropPreread();

    const std::shared_ptr<TokenPersistence> store_;
    std::mutex mutex_;
    bool pending_ = true;
    std::optional<SessionTokens> preread_;
};

} // namespace hub
