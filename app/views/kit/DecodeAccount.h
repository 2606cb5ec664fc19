#pragma once

#include <QtGlobal>

namespace hub {

// What one decode holds in memory, in bytes, counted where it allocates: the decoder library's own buffers
// and the images made. It never holds more than its limit: an allocation past it is refused, and the decode
// fails. Every account adds to one count of all decodes under way. One thread.
class DecodeAccount {
public:
    explicit DecodeAccount(qint64 limit);
    ~DecodeAccount();
    DecodeAccount(const DecodeAccount&) = delete;
    DecodeAccount& operator=(const DecodeAccount&) = delete;

    // Takes `bytes`, or nothing and false when they would pass the limit.
    bool take(qint64 bytes);
    void give(qint64 bytes);
    // Raised once the decode's share of the budget is taken.
    void setLimit(qint64 limit);
    qint64 limit() const { return limit_; }
    qint64 held() const { return held_; }

    // The most that all decodes under way have held at once since the last call.
    static qint64 takePeakOfAll();

private:
    qint64 limit_;
    qint64 held_ = 0;
};

} // namespace hub
