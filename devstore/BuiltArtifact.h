#pragma once

#include <QString>

namespace hub::devstore {

// A fixture download on disk, as the store announces it.
struct BuiltArtifact {
    QString key;   // "tv-reverb-1.4.0-mac-zip"
    QString name;  // the file name the store gives
    QString platform;
    QString path;  // the file in the state folder
    qint64 size = 0;
    QString etag;  // strong, from the content
};

} // namespace hub::devstore
