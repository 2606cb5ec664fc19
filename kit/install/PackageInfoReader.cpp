#include "kit/install/PackageInfoReader.h"

#include <QXmlStreamReader>

namespace hub {

std::optional<QString> PackageInfoReader::installLocation(const QByteArray& document)
{
    std::optional<QString> location;
    QXmlStreamReader reader(document);
    while (!reader.atEnd() && !reader.hasError()) {
        if (reader.readNext() != QXmlStreamReader::StartElement || reader.name() != u"pkg-info")
            continue;
        const auto attributes = reader.attributes();
        location = attributes.hasAttribute(QStringLiteral("install-location"))
            ? std::optional<QString>(attributes.value(QStringLiteral("install-location")).toString())
            : std::nullopt;
    }
    return location;
}

} // namespace hub
