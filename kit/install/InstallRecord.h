#pragma once

#include "kit/install/InstalledItem.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

namespace hub {

// The ledger's entry for one installed product.
struct InstallRecord {
    QString productId;
    QString productName;
    QString version;     // the release as the store names it
    QString downloadKey; // the store download that was installed
    QDateTime installedAt;
    QList<InstalledItem> items;
    QStringList notes;   // user-facing notes of the extraction and the placing

    // The items whose bundle is there now (see InstalledItem::present()), in stored order.
    QList<InstalledItem> presentItems() const;

    // Every member required; "installedAt" is UTC to the second ("2024-05-06T07:08:09Z")
    // and any other form fails reading. Writing drops the fraction of a second.
    QJsonObject toJson() const;
    static InstallRecord fromJson(const JsonReader& reader); // throws JsonError

    bool operator==(const InstallRecord&) const = default;
};

} // namespace hub
