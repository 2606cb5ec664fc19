#include "app/views/settings/BackgroundSwitch.h"

namespace hub {

BackgroundSwitch::BackgroundSwitch(Agent agent) : agent_(std::move(agent)), on_(read())
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
    try {
        if (agent_.setEnabled)
            agent_.setEnabled(wanted);
    } catch (...) {
        // The status read below shows what came of it.
    }
    on_ = read();
    busy_ = false;
    return on_;
}

} // namespace hub
