#include "kit/support/InstallError.h"
#include "kit/support/Subprocess.h"
#include "tests/testkit/ThisTestProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <signal.h>
#include <system_error>
#include <thread>

using hub::InstallError;
using hub::Subprocess;
using namespace std::chrono_literals;

namespace {

const QString sh = QStringLiteral("/bin/sh");

Subprocess::Result shell(const QString& script, double timeout = 30)
{
    return Subprocess::run(sh, {QStringLiteral("-c"), script}, timeout);
}

QStringList openDescriptors() { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries); }
qsizetype threadCount() { return QDir(QStringLiteral("/proc/self/task")).entryList(QDir::NoDotAndDotDot | QDir::Dirs).size(); }

constexpr char childPidFile[] = "HUB_SUBPROCESS_CHILD_PID_FILE";

// The one-letter state of a process, "gone" when there is none.
QByteArray processState(const QByteArray& pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pid)));
    if (!stat.open(QIODevice::ReadOnly))
        return "gone";
    const QByteArray fields = stat.readAll();
    return fields.mid(fields.lastIndexOf(')') + 2, 1);
}

template <typename Call>
InstallError installErrorFrom(Call call)
{
    try {
        call();
    } catch (const InstallError& error) {
        return error;
    }
    ADD_FAILURE() << "no InstallError";
    return InstallError::unknownFormat();
}

} // namespace

TEST(Subprocess, StatusAndStandardError)
{
    const QString script = QStringLiteral("echo bad >&2; exit 3");
    const Subprocess::Result result = shell(script);
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.stderr, QStringLiteral("bad\n"));
    EXPECT_TRUE(result.stdout.isEmpty());

    EXPECT_EQ(installErrorFrom([&] { Subprocess::check(sh, {QStringLiteral("-c"), script}, 30); }),
              InstallError::toolFailed(QStringLiteral("sh"), QStringLiteral("bad")));
    EXPECT_EQ(installErrorFrom([&] { Subprocess::check(sh, {QStringLiteral("-c"), QStringLiteral("exit 1")}, 30); }),
              InstallError::toolFailed(QStringLiteral("sh"), QString()));

    const Subprocess::Result fine = Subprocess::check(sh, {QStringLiteral("-c"), QStringLiteral("printf ok")}, 30);
    EXPECT_EQ(fine.status, 0);
    EXPECT_EQ(fine.stdout, QByteArray("ok"));
}

TEST(Subprocess, MegabytesOnBothOutputsDoNotStall)
{
    // A megabyte of standard error first: a runner that read standard output to its
    // end before looking at standard error would never get there.
    const Subprocess::Result result = shell(QStringLiteral(
        "head -c 1048576 /dev/zero >&2; yes 0123456789abcdef | head -c 8388608"));
    EXPECT_EQ(result.status, 0);
    ASSERT_EQ(result.stdout.size(), 8388608);
    const QByteArray line("0123456789abcdef\n");
    EXPECT_EQ(result.stdout, line.repeated(8388608 / line.size() + 1).left(8388608));
    EXPECT_EQ(result.stderr.size(), 1048576);
}

TEST(Subprocess, OutputBytesAsTheyAreErrorTextRepaired)
{
    const Subprocess::Result result = shell(QStringLiteral("printf '\\377ok\\n' >&2; printf '\\377\\000\\376'"));
    EXPECT_EQ(result.stdout, QByteArray("\xff\x00\xfe", 3));
    EXPECT_EQ(result.stderr, QStringLiteral("\ufffdok\n"));
}

TEST(Subprocess, ExactlyTheFixedEnvironmentAndNoInput)
{
    qputenv("HUB_SUBPROCESS_SECRET", "leak");
    const Subprocess::Result env = Subprocess::run(QStringLiteral("/usr/bin/env"), {}, 30);
    qunsetenv("HUB_SUBPROCESS_SECRET");
    QMap<QString, QString> seen;
    for (const QString& line : QString::fromUtf8(env.stdout).split(u'\n', Qt::SkipEmptyParts))
        seen.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
    EXPECT_EQ(seen, Subprocess::environment());
    EXPECT_EQ(seen.keys(), (QStringList{QStringLiteral("HOME"), QStringLiteral("LANG"), QStringLiteral("PATH"), QStringLiteral("TMPDIR")}));
    EXPECT_EQ(seen.value(QStringLiteral("PATH")), QStringLiteral("/usr/bin:/bin:/usr/sbin:/sbin"));

    // Standard input is at its end at once, and the arguments arrive as they are.
    const Subprocess::Result input = Subprocess::run(
        sh, {QStringLiteral("-c"), QStringLiteral("cat; printf '[%s]' \"$@\""), QStringLiteral("sh"), QStringLiteral("a b"), QStringLiteral("$HOME;*")}, 30);
    EXPECT_EQ(input.stdout, QByteArray("[a b][$HOME;*]"));
}

TEST(Subprocess, TimeOutTerminatesTheTool)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString marker = dir.filePath(QStringLiteral("terminated"));
    const QStringList before = openDescriptors();
    const QStringList arguments = {QStringLiteral("-c"), QStringLiteral("trap 'echo term > \"$0\"; exit 0' TERM; sleep 30 & wait"), marker};
    for (double timeout : {0.5, 0.0, -1.0}) {
        QFile::remove(marker);
        EXPECT_EQ(installErrorFrom([&] { Subprocess::run(sh, arguments, timeout); }),
                  InstallError::toolFailed(QStringLiteral("sh"), QStringLiteral("timed out")))
            << timeout;
        // At a time-out of zero the request may come before the shell has set its trap.
        if (timeout > 0) {
            EXPECT_TRUE(QFile::exists(marker)) << "no termination request";
        }
    }
    EXPECT_EQ(openDescriptors(), before);
}

TEST(Subprocess, ToolThatIgnoresTerminationIsKilledAndReaped)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pidFile = dir.filePath(QStringLiteral("pid"));
    const QStringList arguments = {QStringLiteral("-c"), QStringLiteral("trap '' TERM; echo $$ > \"$0\"; while :; do sleep 1; done"), pidFile};
    EXPECT_EQ(installErrorFrom([&] { Subprocess::run(sh, arguments, 0.5, 200ms); }),
              InstallError::toolFailed(QStringLiteral("sh"), QStringLiteral("timed out")));

    QFile file(pidFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const pid_t pid = file.readAll().trimmed().toInt();
    ASSERT_GT(pid, 0);
    // Gone and reaped: even a zombie would still answer.
    errno = 0;
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
}

TEST(Subprocess, ChildThatKeepsTheOutputsOpenIsStoppedAtTheTimeOut)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pidFile = dir.filePath(QStringLiteral("pid"));
    // The tool ends at once, but what it left running holds standard output for 30 s.
    const QStringList arguments = {QStringLiteral("-c"), QStringLiteral("sleep 30 & echo $! > \"$0\""), pidFile};
    EXPECT_EQ(installErrorFrom([&] { Subprocess::run(sh, arguments, 0.5, 200ms); }),
              InstallError::toolFailed(QStringLiteral("sh"), QStringLiteral("timed out")));

    QFile file(pidFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pid = file.readAll().trimmed();
    ASSERT_FALSE(pid.isEmpty());
    // Killed with the tool's group: soon gone, or a zombie waiting for its new parent.
    QByteArray last = processState(pid);
    for (int attempt = 0; attempt < 200 && last != "gone" && last != "Z"; ++attempt) {
        std::this_thread::sleep_for(10ms);
        last = processState(pid);
    }
    EXPECT_TRUE(last == "gone" || last == "Z") << last.constData();
}

TEST(Subprocess, FailedLaunchLeavesNothingBehind)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString notExecutable = dir.filePath(QStringLiteral("plain"));
    QFile plain(notExecutable);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("#!/bin/sh\n");
    plain.close();

    const QStringList descriptors = openDescriptors();
    const qsizetype threads = threadCount();
    const QList<std::pair<QString, int>> table = {
        {dir.filePath(QStringLiteral("missing")), ENOENT},
        {notExecutable, EACCES},
        {dir.path(), EACCES},
    };
    for (const auto& [tool, code] : table) {
        try {
            Subprocess::run(tool, {}, 30);
            ADD_FAILURE() << "launched " << tool.toStdString();
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code().value(), code) << tool.toStdString();
        }
    }
    EXPECT_EQ(openDescriptors(), descriptors);
    EXPECT_EQ(threadCount(), threads);
}

TEST(SubprocessChild, RunsALongTool)
{
    if (!qEnvironmentVariableIsSet(childPidFile))
        GTEST_SKIP() << "runs as a second process";
    Subprocess::run(sh, {QStringLiteral("-c"), QStringLiteral("echo $$ > \"$0\"; exec sleep 60"), qEnvironmentVariable(childPidFile)}, 120);
}

TEST(Subprocess, ToolDiesWithTheProcessThatStartedIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pidFile = dir.filePath(QStringLiteral("pid"));
    const auto child = hub::test::startThisTest(QStringLiteral("SubprocessChild.RunsALongTool"), {{QString::fromLatin1(childPidFile), pidFile}});
    QByteArray pid;
    QElapsedTimer waited;
    waited.start();
    while (pid.isEmpty() && waited.elapsed() < 30'000) {
        std::this_thread::sleep_for(10ms);
        QFile file(pidFile);
        if (file.open(QIODevice::ReadOnly))
            pid = file.readAll().trimmed();
    }
    ASSERT_FALSE(pid.isEmpty());
    ASSERT_GT(child->processId(), 0); // kill(0) would end the whole process group
    ::kill(pid_t(child->processId()), SIGKILL);
    ASSERT_TRUE(child->waitForFinished(30'000));

    // Gone, or a zombie waiting for its new parent.
    QByteArray state = processState(pid);
    for (waited.restart(); state != "gone" && state != "Z" && waited.elapsed() < 10'000; state = processState(pid))
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(state == "gone" || state == "Z") << state.constData();
    if (state != "gone" && state != "Z" && pid.toInt() > 0)
        ::kill(pid.toInt(), SIGKILL);
}
