#pragma once

#include <QString>
#include <QStringList>

namespace hub {

// The background updater's per-user agent: a systemd user service that starts the hub
// with "--background-update", and a persistent timer that starts the service every six
// hours, both written into the user's unit folder and switched with `systemctl --user`.
class LaunchAgent {
public:
    enum class Status {
        notRegistered, // the unit files are absent, or the timer is not enabled
        enabled,       // the timer is enabled
        notFound,      // there is no running user service manager to ask
    };

    static constexpr const char* serviceName = "com.tavren.hub.updater.service";
    static constexpr const char* timerName = "com.tavren.hub.updater.timer";

    // `executable` is the hub the service starts; `systemctl` the program that is asked.
    LaunchAgent(QString executable, QString unitFolder = defaultUnitFolder(),
                QString systemctl = QStringLiteral("/usr/bin/systemctl"));

    // $XDG_CONFIG_HOME/systemd/user
    static QString defaultUnitFolder();

    Status status() const;
    // Writes both units, reloads the manager and enables and starts the timer.
    // Throws LaunchAgentError, after removing the units again.
    void registerAgent() const;
    // Disables and stops the timer and removes both units (also when disabling failed,
    // which is then thrown as LaunchAgentError). Nothing to do without units.
    void unregisterAgent() const;

    QString serviceUnit() const;
    QString timerUnit() const;
    QString servicePath() const;
    QString timerPath() const;

private:
    struct Answer {
        bool started = false;
        int status = -1;
        QString output;
        QString errors;
    };
    Answer systemctl(const QStringList& arguments) const;
    // Throws a refusal with systemctl's words.
    void check(const Answer& answer) const;
    void writeUnits() const;

    QString executable_;
    QString unitFolder_;
    QString systemctl_;
};

} // namespace hub
