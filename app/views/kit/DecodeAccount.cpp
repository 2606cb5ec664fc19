#include "app/views/kit/DecodeAccount.h"

#include <atomic>

namespace hub {

namespace {

std::atomic<qint64> allHeld = 0;
std::atomic<qint64> allPeak = 0;

} // namespace

DecodeAccount::DecodeAccount(qint64 limit) : limit_(limit) {}

DecodeAccount::~DecodeAccount() { give(held_); }

bool DecodeAccount::take(qint64 bytes)
{
    if (bytes < 0 || held_ + bytes > limit_)
        return false;
    held_ += bytes;
    const qint64 all = allHeld += bytes;
    for (qint64 peak = allPeak; all > peak && !allPeak.compare_exchange_weak(peak, all);) {
    }
    return true;
}

void DecodeAccount::give(qint64 bytes)
{
    held_ -= bytes;
    allHeld -= bytes;
}

void DecodeAccount::setLimit(qint64 limit) { limit_ = limit; }

qint64 DecodeAccount::takePeakOfAll() { return allPeak.exchange(allHeld); }

} // namespace hub
