#pragma once

#include "kit/api/Platform.h"
#include "kit/support/Hashing.h"
#include "kit/support/JsonReader.h"

#include <QJsonObject>
#include <QList>

namespace hub {

// One downloadable file of a product; identified by its key.
struct Download {
    QString name;
    QString key;
    Platform platform = Platform::unknown;
    qint64 size = 0; // bytes, as the store publishes it
    std::optional<QString> path; // store API address of the signed link

    const QString& id() const { return key; }

    // The downloads installable here, in the store's order; none when absent.
    static QList<Download> installableHere(const std::optional<QList<Download>>& downloads);

    static Download fromJson(const JsonReader& json);
    QJsonObject toJson() const;
    bool operator==(const Download&) const = default;
};

inline size_t qHash(const Download& d, size_t seed = 0)
{
    return hashing::fields(seed, d.name, d.key, d.platform, d.size, d.path);
}

} // namespace hub
