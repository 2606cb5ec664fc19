#pragma once

#include "kit/support/JsonReader.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

namespace hub {

// One page of a store list. `next` is kept as text; the client decides whether to follow it.
template <typename T>
struct Paged {
    QList<T> items;
    bool hasMore = false;
    std::optional<QString> next;

    static Paged fromJson(const JsonReader& json)
    {
        Paged page;
        page.items = json.list(u"items", [](const JsonReader& item) { return T::fromJson(item); });
        page.hasMore = json.boolean(u"hasMore");
        page.next = json.optionalString(u"next");
        return page;
    }

    QJsonObject toJson() const
    {
        QJsonObject object{{QStringLiteral("items"), json::toArray(items)}, {QStringLiteral("hasMore"), hasMore}};
        json::putOptional(object, QStringLiteral("next"), next);
        return object;
    }
};

} // namespace hub
