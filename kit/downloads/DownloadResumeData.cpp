#include "kit/downloads/DownloadResumeData.h"

namespace hub {

QByteArray DownloadResumeData::validator() const
{
    if (!etag.isEmpty() && !etag.startsWith("W/"))
        return etag;
    return lastModified;
}

} // namespace hub
