#include "kit/api/HTTPTransport.h"

namespace hub {

std::optional<QByteArray> headerValue(const HttpHeaders& headers, QByteArrayView name)
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

} // namespace hub
