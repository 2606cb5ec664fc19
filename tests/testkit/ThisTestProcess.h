#pragma once

#include <QMap>
#include <QProcess>
#include <QString>
#include <memory>

namespace hub::test {

// This test executable started again as a second process, running only the tests
// that `filter` names, with `environment` added to the current one. Its output is
// read through the returned process (standard error goes to ours).
std::unique_ptr<QProcess> startThisTest(const QString& filter, const QMap<QString, QString>& environment);

// Runs it to the end; the exit code, or -1 when it crashed or did not finish in 60 s.
int runThisTest(const QString& filter, const QMap<QString, QString>& environment);

} // namespace hub::test
