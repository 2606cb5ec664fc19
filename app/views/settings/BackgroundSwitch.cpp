#include "app/views/settings/BackgroundSwitch.h"

#include "kit/support/Error.h"

namespace hub {

BackgroundSwitch::BackgroundSwitch(Agent agent)
    : agent_(std::move(agent)), on_(read()), available_(!agent_.isAvailable || agent_.isAvailable())
{
}

bool BackgroundSwitch::read() const
{
    try {
        return agent_.isEnabled && agent_.isEnabled();
    } catch (...) {
        return false; // nobody to ask counts as off
    }
}

bool BackgroundSwitch::request(bool wanted)
{
    if (busy_)
        return on_;
    busy_ = true;
    problem_.clear();
    try {
        if (agent_.setEnabled)
            agent_.setEnabled(wanted);
    } catch (const Error& error) {
        problem_ = error.message();
    } catch (const std::exception& error) {
        problem_ = QString::fromLocal8Bit(error.what());
    }
    on_ = read();
    busy_ = false;
    return on_;
}

} // namespace hub
