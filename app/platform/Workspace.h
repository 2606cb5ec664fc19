#pragma once

#include <QDBusConnection>
#include <QString>
#include <QStringList>

namespace hub {

// The desktop's file manager and application start, as the app's menus need them.
// Calls return at once; what the file manager does with them is not observed.
class Workspace {
public:
    explicit Workspace(QDBusConnection bus = QDBusConnection::sessionBus());

    static constexpr const char* fileManagerService = "org.freedesktop.FileManager1";
    static constexpr const char* fileManagerPath = "/org/freedesktop/FileManager1";

    // Selects the files in the file manager (FileManager1.ShowItems); when no file
    // manager answers, opens the first file's folder instead. Nothing for no files.
    void reveal(const QStringList& paths) const;
    // Starts the application bundle's main executable (Contents/Info.plist's
    // CFBundleExecutable in Contents/MacOS), detached. False, with the reason in the
    // log, when there is none or it does not start (another platform's program).
    bool openApplication(const QString& bundle) const;

    // The executable that openApplication starts, or an empty text.
    static QString mainExecutable(const QString& bundle);

private:
    QDBusConnection bus_;
};

} // namespace hub
