// Reveal through the file manager's D-Bus service, and the executable an app bundle starts.

#include "app/platform/Workspace.h"
#include "tests/app/fakes/Await.h"

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hub;

namespace {

class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QList<QStringList> shown;

public slots:
    void ShowItems(const QStringList& uris, const QString&) { shown.append(uris); }
};

void write(const QString& path, const QByteArray& bytes, QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    file.setPermissions(permissions);
}

} // namespace

TEST(Workspace, RevealAsksTheFileManagerForEveryItem)
{
    QDBusConnection server = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "file-manager");
    if (!server.isConnected())
        GTEST_SKIP() << "no session bus";
    FakeFileManager manager;
    ASSERT_TRUE(server.registerObject(Workspace::fileManagerPath, &manager, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(server.registerService(Workspace::fileManagerService));

    const Workspace workspace;
    workspace.reveal({});
    workspace.reveal({"/tmp/Plug-Ins/Café Tool.vst3", "/Applications/Tool.app"});
    ASSERT_TRUE(test::eventually([&] { return !manager.shown.isEmpty(); }));
    EXPECT_EQ(manager.shown, (QList<QStringList>{{"file:///tmp/Plug-Ins/Caf%C3%A9%20Tool.vst3", "file:///Applications/Tool.app"}}));
    server.unregisterService(Workspace::fileManagerService);
    QDBusConnection::disconnectFromBus("file-manager");
}

TEST(Workspace, RevealWithoutAFileManagerOrAFolderOpenerSaysItCouldNot)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus";
    for (const char* opener : {"false", "/nonexistent/xdg-open"}) {
        SCOPED_TRACE(opener);
        bool failed = false;
        Workspace(QDBusConnection::sessionBus(), QString::fromLatin1(opener)).reveal({"/tmp/Plug-Ins/Tool.vst3"}, [&] { failed = true; });
        EXPECT_TRUE(test::eventually([&] { return failed; }));
    }
}

TEST(Workspace, TheMainExecutableComesFromInfoPlistAndOpeningSaysWhetherItStarted)
{
    QTemporaryDir root;
    const QString bundle = root.filePath("Tool.app");
    const QByteArray plist = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>CFBundleExecutable</key><string>Tool</string></dict></plist>)";
    EXPECT_EQ(Workspace::mainExecutable(bundle), QString()) << "no Info.plist";
    write(bundle + "/Contents/Info.plist", plist);
    EXPECT_EQ(Workspace::mainExecutable(bundle), QString()) << "no executable";
    EXPECT_FALSE(Workspace().openApplication(bundle));
    write(bundle + "/Contents/MacOS/Tool", "#!/bin/sh\n", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(Workspace::mainExecutable(bundle), bundle + "/Contents/MacOS/Tool");
    EXPECT_TRUE(Workspace().openApplication(bundle));
    write(bundle + "/Contents/MacOS/Tool", QByteArray::fromHex("cffaedfe0c000001"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(Workspace().openApplication(bundle)) << "another platform's program";
    write(bundle + "/Contents/Info.plist", QByteArray(plist).replace("<string>Tool</string>", "<string>../../x</string>"));
    EXPECT_EQ(Workspace::mainExecutable(bundle), QString()) << "a name that leaves the folder";
}

#include "WorkspaceTest.moc"
