#pragma once

#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <functional>

namespace hub {

// The desktop's file manager and application start, as the app's menus need them.
// Calls return at once; what the file manager does with them is not observed.
class Workspace {
public:
    // `opener` opens a folder when no file manager answers.
    explicit Workspace(QDBusConnection bus = QDBusConnection::sessionBus(), QString opener = QStringLiteral("xdg-open"));

    static constexpr const char* fileManagerService = "org.freedesktop.FileManager1";
    static constexpr const char* fileManagerPath = "/org/freedesktop/FileManager1";

    // Selects the files in the file manager (FileManager1.ShowItems); when no file
    // manager answers, opens the first file's folder instead, and when that fails too,
    // calls `failed` (on this thread). Nothing for no files.
    void reveal(const QStringList& paths, std::function<void()> failed = {}) const;
    // Starts the application bundle's main executable (Contents/Info.plist's
    // CFBundleExecutable in Contents/MacOS), detached. False, with the reason in the
    // log, when there is none or it does not start (another platform's program).
    bool openApplication(const QString& bundle) const;

    // The executable that openApplication starts, or an empty text.
    static QString mainExecutable(const QString& bundle);

private:
    QDBusConnection bus_;
    QString opener_;
};

} // namespace hub
