#include "kit/platform/SystemTools.h"

namespace hub {

const SystemTools& SystemTools::installed()
{
    static const SystemTools tools{
        QStringLiteral(HUB_LIBEXEC_DIR "/pkgutil"),
        QStringLiteral("/usr/bin/zipinfo"),
        QStringLiteral(HUB_LIBEXEC_DIR "/ditto"),
        QStringLiteral(HUB_LIBEXEC_DIR "/hdiutil"),
    };
    return tools;
}

} // namespace hub
