#pragma once

#include <QJsonObject>
#include <QString>

namespace hub {

// Where this hub runs from: the executable in <prefix>/bin, its tools in
// <prefix>/libexec/tavren-hub and its information file <prefix>/share/tavren-hub/info.json
// ("shortVersion", "build", "layout": "self-contained" for an install that owns its whole
// prefix and may be replaced by the self-updater, and for an install "prefix": the prefix
// it was installed to). A build tree has the same shape, without a prefix.
struct InstallLocation {
    QString executable;
    QString prefix;

    // This process.
    static InstallLocation current();
    // The one for an executable at `executable`.
    static InstallLocation of(const QString& executable);

    QString infoPath() const;
    // The information file's object; empty when it is missing or not a JSON object.
    QJsonObject info() const;
    // Runs from the prefix its information file names (links resolved): a build tree or a
    // demo never does.
    bool isInstalled() const;
    // The information file says "self-contained", and the prefix and the folder holding
    // it are writable by this user.
    bool isSelfContained() const;
};

} // namespace hub
