#pragma once

#include <QString>

namespace hub {

// The one table of the installer tools the install engine runs, by absolute path:
// our own pkgutil, ditto and hdiutil from the libexec folder, Debian's zipinfo.
struct SystemTools {
    QString pkgutil;
    QString zipinfo;
    QString ditto;
    QString hdiutil;

    static const SystemTools& installed();

    bool operator==(const SystemTools&) const = default;
};

} // namespace hub
