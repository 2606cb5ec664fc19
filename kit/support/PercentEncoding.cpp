#include "kit/support/PercentEncoding.h"

namespace hub::PercentEncoding {

QString encode(QStringView text, std::string_view allowed)
{
    if (!text.isValidUtf16())
        return {};
    static constexpr char hex[] = "0123456789ABCDEF";
    const QByteArray bytes = text.toUtf8();
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        const bool keep = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9')
            || (byte < 0x80 && byte != 0 && allowed.find(c) != std::string_view::npos);
        if (keep) {
            out.append(QLatin1Char(c));
        } else {
            out.append(u'%');
            out.append(QLatin1Char(hex[byte >> 4]));
            out.append(QLatin1Char(hex[byte & 0xF]));
        }
    }
    return out;
}

} // namespace hub::PercentEncoding
