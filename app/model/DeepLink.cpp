#include "app/model/DeepLink.h"

#include <QRegularExpression>
#include <QUrl>

namespace hub {

std::optional<DeepLink> DeepLink::parse(const QString& text)
{
    static const QString scheme = QStringLiteral("tavren-hub:");
    if (!text.startsWith(scheme))
        return std::nullopt;
    QString rest = text.mid(scheme.size());
    const qsizetype end = rest.indexOf(QRegularExpression(QStringLiteral("[?#]")));
    if (end >= 0)
        rest.truncate(end);
    QString host;
    if (rest.startsWith(QStringLiteral("//"))) {
        rest.remove(0, 2);
        const qsizetype slash = rest.indexOf(u'/');
        host = rest.left(slash);
        rest = slash >= 0 ? rest.mid(slash) : QString();
        // Only the host of an authority counts: no user, no port.
        host = host.mid(host.lastIndexOf(u'@') + 1);
        host = host.left(host.indexOf(u':'));
    }
    DeepLink link;
    for (const QString& raw : QStringList{host} + rest.split(u'/')) {
        const QString part = QUrl::fromPercentEncoding(raw.toUtf8());
        if (!part.isEmpty())
            link.parts.append(part);
    }
    const QString first = link.parts.value(0);
    if (first == QLatin1String("product") && link.parts.size() >= 2) {
        link.kind = Kind::product;
        link.productId = link.parts.at(1);
    } else if (first == QLatin1String("library")) {
        link.kind = Kind::library;
    } else if (first == QLatin1String("updates")) {
        link.kind = Kind::updates;
    }
    return link;
}

} // namespace hub
