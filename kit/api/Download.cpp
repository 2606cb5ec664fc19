#include "kit/api/Download.h"

namespace hub {

QList<Download> Download::installableHere(const std::optional<QList<Download>>& downloads)
{
    QList<Download> out;
    if (!downloads)
        return out;
    for (const Download& download : *downloads) {
        if (hub::installableHere(download.platform))
            out.append(download);
    }
    return out;
}

Download Download::fromJson(const JsonReader& json)
{
    Download download;
    download.name = json.string(u"name");
    download.key = json.string(u"key");
    download.platform = platformFromString(json.string(u"platform")).value_or(Platform::unknown);
    download.size = json.integer(u"size");
    download.path = json.optionalString(u"path");
    return download;
}

QJsonObject Download::toJson() const
{
    QJsonObject object{
        {QStringLiteral("name"), name},
        {QStringLiteral("key"), key},
        {QStringLiteral("platform"), toString(platform)},
        {QStringLiteral("size"), size},
    };
    json::putOptional(object, QStringLiteral("path"), path);
    return object;
}

} // namespace hub
