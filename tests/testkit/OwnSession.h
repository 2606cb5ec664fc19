#pragma once

#include <QProcessEnvironment>
#include <QStringList>

namespace hub::test {

// Runs this test binary (or benchmark) again inside a D-Bus session of its own whose
// keyring is unlocked, with `environment` and the given arguments, its output forwarded.
// Returns the child's exit code (-1 when it crashed or did not end in `timeoutMs`).
int runInOwnSession(const QProcessEnvironment& environment, const QStringList& arguments, int timeoutMs = 300'000);

// The environment with HOME and the XDG folders pointed at fresh owner-only folders
// below `sandbox`, and `flag` set to 1.
QProcessEnvironment sandboxedEnvironment(const QString& sandbox, const QString& flag);

} // namespace hub::test
