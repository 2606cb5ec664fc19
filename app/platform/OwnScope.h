#pragma once

#include <QDBusConnection>
#include <QString>
#include <QStringList>

namespace hub::OwnScope {

// Starts `program` detached, to outlive this process. A process that runs as a systemd unit
// (INVOCATION_ID set) has its whole control group ended with the unit, so there the user's
// service manager on `bus` is asked to move the program into a transient scope of its own,
// "app-com.tavren.hub-<pid>.scope", and the call returns once it has (or 5 s passed). A refusal
// is logged, and the program runs on where it is. Returns whether the program started.
bool startDetached(const QString& program, const QStringList& arguments, QDBusConnection bus = QDBusConnection::sessionBus());

} // namespace hub::OwnScope
