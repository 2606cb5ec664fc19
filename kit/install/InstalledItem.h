#pragma once

#include "kit/support/BundleKind.h"
#include "kit/support/JsonReader.h"

#include <QJsonObject>
#include <QString>
#include <QUrl>
#include <optional>

namespace hub {

// One bundle that an install placed, as the install record keeps it.
struct InstalledItem {
    QString path; // absolute path of the placed bundle
    BundleKind kind;
    QString identifier; // code-signing identifier
    QString teamID;
    std::optional<QString> version;

    QUrl url() const { return QUrl::fromLocalFile(path); }
    QString name() const; // last path component, e.g. Synth.vst3
    // Whether anything stands at the item's path (see occupied).
    bool inPlace() const { return occupied(path); }
    // Whether anything stands at the path, a dangling link included: a link is never followed.
    static bool occupied(const QString& path);

    // {"path","kind","identifier","teamID","version"?}; an unknown kind fails reading.
    QJsonObject toJson() const;
    static InstalledItem fromJson(const JsonReader& reader); // throws JsonError

    bool operator==(const InstalledItem& other) const;
};

size_t qHash(const InstalledItem& item, size_t seed = 0);

} // namespace hub
