#include "tests/testkit/ThisTestProcess.h"

#include <QCoreApplication>

namespace hub::test {

std::unique_ptr<QProcess> startThisTest(const QString& filter, const QMap<QString, QString>& environment)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = environment.begin(); it != environment.end(); ++it)
        env.insert(it.key(), it.value());
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + filter});
    process->waitForStarted();
    return process;
}

int runThisTest(const QString& filter, const QMap<QString, QString>& environment)
{
    const auto process = startThisTest(filter, environment);
    if (!process->waitForFinished(60'000) || process->exitStatus() != QProcess::NormalExit)
        return -1;
    return process->exitCode();
}

} // namespace hub::test
