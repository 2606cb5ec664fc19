#include "kit/install/InstallRecord.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace hub {

QList<InstalledItem> InstallRecord::presentItems() const
{
    QList<InstalledItem> present;
    for (const InstalledItem& item : items) {
        if (item.present())
            present.append(item);
    }
    return present;
}

QJsonObject InstallRecord::toJson() const
{
    QJsonArray itemArray;
    for (const InstalledItem& item : items)
        itemArray.append(item.toJson());
    QDateTime second = installedAt.toUTC();
    second.setTime(QTime(second.time().hour(), second.time().minute(), second.time().second()));
    return {
        {QStringLiteral("productId"), productId},
        {QStringLiteral("productName"), productName},
        {QStringLiteral("version"), version},
        {QStringLiteral("downloadKey"), downloadKey},
        {QStringLiteral("installedAt"), second.toString(Qt::ISODate)},
        {QStringLiteral("items"), itemArray},
        {QStringLiteral("notes"), QJsonArray::fromStringList(notes)},
    };
}

InstallRecord InstallRecord::fromJson(const JsonReader& reader)
{
    static const QRegularExpression form(QStringLiteral(R"(^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}Z$)"));
    const QString dateText = reader.string(u"installedAt");
    const QDateTime installedAt = QDateTime::fromString(dateText, Qt::ISODate);
    if (!form.match(dateText).hasMatch() || !installedAt.isValid())
        reader.fail(u"installedAt", QStringLiteral("expected a UTC date to the second, found \"") + dateText + u'"');
    return {
        reader.string(u"productId"),
        reader.string(u"productName"),
        reader.string(u"version"),
        reader.string(u"downloadKey"),
        installedAt.toUTC(),
        reader.list(u"items", InstalledItem::fromJson),
        reader.stringList(u"notes"),
    };
}

} // namespace hub
