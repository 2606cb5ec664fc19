#include "kit/install/StagedBundle.h"

namespace hub {

QString StagedBundle::name() const
{
    QStringView trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(u'/'))
        trimmed.chop(1);
    return trimmed.sliced(trimmed.lastIndexOf(u'/') + 1).toString();
}

} // namespace hub
