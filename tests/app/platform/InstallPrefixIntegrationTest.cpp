// An install made to a prefix of its own choosing (cmake --install --prefix) starts the
// hub from there and knows itself as installed there; the desktop's tools start it.

#include "app/platform/InstallLocation.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace hub;

namespace {

// Exit status and output; no desktop environment is named (xdg-open's generic path), but a
// display is, without which it looks for no handler.
std::pair<int, QString> run(const QString& program, const QStringList& arguments, const QList<std::pair<QString, QString>>& variables = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    environment.insert(QStringLiteral("DISPLAY"), environment.value(QStringLiteral("DISPLAY"), QStringLiteral(":0")));
    for (const auto& [name, value] : variables)
        environment.insert(name, value);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(60'000);
    return {process.exitCode(), QString::fromUtf8(process.readAll())};
}

QString text(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void write(const QString& path, const QString& text)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text.toUtf8());
}

} // namespace

TEST(InstallPrefix, TheDesktopEntryAndTheInformationFileFollowThePrefix)
{
    const QString build = qEnvironmentVariable("HUB_BUILD_DIR");
    if (build.isEmpty())
        GTEST_SKIP() << "run under CTest";
    QTemporaryDir root;
    const QString base = root.path(), given = root.filePath(QStringLiteral("given"));
    write(base + QStringLiteral("/mimeapps.list"), QStringLiteral("[Default Applications]\nx-scheme-handler/tavren-hub=com.tavren.hub.desktop\n"));
    // The prefix, the program word of Exec= (none: the install is refused), and whether xdg-open
    // (which reads no quoting) can start it.
    for (const auto& [prefix, word, xdgOpen] : {std::tuple{base + "/opt/tavren", base + "/opt/tavren/bin/tavren-hub", true},
             {base + "/opt/Tavren Hub", '"' + base + "/opt/Tavren Hub/bin/tavren-hub\"", false},
             {base + "/opt/Pre fix%1$x", "env \"" + base + "/opt/Pre fix%%1\\\\$x/bin/tavren-hub\"", false},
             {base + "/opt/a=b%1", QString(), false}}) {
        SCOPED_TRACE(prefix.toStdString());
        const auto [code, output] = run(QStringLiteral("cmake"), {QStringLiteral("--install"), build, QStringLiteral("--prefix"), prefix});
        const QString entry = prefix + QStringLiteral("/share/applications/com.tavren.hub.desktop");
        if (word.isEmpty()) { // env would read the program as a variable, and the desktop would start nothing
            EXPECT_NE(code, 0);
            EXPECT_TRUE(output.simplified().contains(u"a path holding both '%' and '='")) << output.toStdString();
            EXPECT_FALSE(QFile::exists(entry));
            continue;
        }
        ASSERT_EQ(code, 0);
        EXPECT_TRUE(text(entry).contains(QStringLiteral("\nExec=") + word + QStringLiteral(" %u\n"))) << text(entry).toStdString();
        EXPECT_EQ(run(QStringLiteral("desktop-file-validate"), {entry}), std::make_pair(0, QString()));
        const InstallLocation installed = InstallLocation::of(prefix + QStringLiteral("/bin/tavren-hub"));
        EXPECT_EQ(installed.info().value(QStringLiteral("prefix")).toString(), prefix);
        EXPECT_TRUE(installed.isInstalled());

        // A link reaches the installed program, here one that writes down what it was given.
        write(prefix + QStringLiteral("/bin/tavren-hub"), QStringLiteral("#!/bin/sh\nprintf '%s|' \"$0\" \"$@\" > '%1'\n").arg(given));
        const QString expected = prefix + QStringLiteral("/bin/tavren-hub|tavren-hub:library|");
        // Where GIO's virtual file system runs, it hands the same link on as tavren-hub:///library.
        const QString throughVfs = prefix + QStringLiteral("/bin/tavren-hub|tavren-hub:///library|");
        EXPECT_EQ(run(QStringLiteral("gio"), {QStringLiteral("launch"), entry, QStringLiteral("tavren-hub:library")}).first, 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return text(given) == expected || text(given) == throughVfs; })) << text(given).toStdString();
        QFile::remove(given);
        if (xdgOpen) {
            run(QStringLiteral("xdg-open"), {QStringLiteral("tavren-hub:library")},
                {{"XDG_CONFIG_HOME", base}, {"XDG_DATA_HOME", base}, {"XDG_DATA_DIRS", prefix + "/share"}});
            EXPECT_EQ(text(given), expected);
        }
    }
    EXPECT_FALSE(InstallLocation::of(build + QStringLiteral("/bin/tavren-hub")).isInstalled()) << "the build tree";
}
