#pragma once

#include <QString>
#include <functional>

namespace hub {

// The state behind the background-updates switch: whether the launch agent is registered,
// as the system reports it. Read once when made; afterwards only a change asked for by
// the user reads it again.
class BackgroundSwitch {
public:
    struct Agent {
        std::function<bool()> isEnabled;      // the agent's registration, read from the system
        std::function<void(bool)> setEnabled; // records the choice, then (un)registers; may throw
        std::function<bool()> isAvailable;    // there is a service manager to register with (none: yes)
    };

    explicit BackgroundSwitch(Agent agent);

    bool isOn() const { return on_; }
    // Whether the switch can do anything here; read once when made.
    bool isAvailable() const { return available_; }
    // Why the last request was refused; empty when it was not.
    const QString& problem() const { return problem_; }
    // The user asked for `wanted`: one request, whose failure is kept as the problem,
    // then the switch takes the state the system reports. Putting the switch back to that state
    // is no request of its own, so a refused registration is not undone by another call.
    // Returns the new state.
    bool request(bool wanted);

private:
    bool read() const;

    Agent agent_;
    bool on_;
    bool available_;
    QString problem_;
    bool busy_ = false;
};

} // namespace hub
