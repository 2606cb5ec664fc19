#include "app/updater/PrereadTokenPersistence.h"

namespace hub {

PrereadTokenPersistence::PrereadTokenPersistence(std::shared_ptr<TokenPersistence> store, std::optional<SessionTokens> preread)
    : store_(std::move(store)), preread_(std::move(preread))
{
}

std::optional<SessionTokens> PrereadTokenPersistence::load()
{
    {
        std::lock_guard lock(mutex_);
        if (pending_) {
            pending_ = false;
            return std::move(preread_);
        }
    }
    return store_->load();
}

void PrereadTokenPersistence::save(const SessionTokens& tokens)
{
    dropPreread();
    store_->save(tokens);
}

void PrereadTokenPersistence::clear()
{
    dropPreread();
    store_->clear();
}

void PrereadTokenPersistence::dropPreread()
{
    std::lock_guard lock(mutex_);
    pending_ = false;
    preread_.reset();
}

} // namespace hub
