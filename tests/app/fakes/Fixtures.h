#pragma once

#include "kit/api/ProductSummary.h"
#include "kit/api/Storefront.h"
#include "kit/api/User.h"
#include "kit/install/InstallRecord.h"

#include <QTimeZone>

namespace hub::Fixtures {

// A product for sale at `euros` (none: no default variation) with one Mac download.
StorefrontProduct product(const QString& id, const QString& name, std::optional<double> euros = 10.0,
    const QString& version = QStringLiteral("1.0.0"));
Storefront storefront(const QList<StorefrontProduct>& products);
// The store's full record of a storefront product, at `version`.
ProductSummary summary(const StorefrontProduct& product, const QString& version);
ProductSummary summary(const QString& id, const QString& name, const QString& version = QStringLiteral("1.0.0"));
User user(const QString& email, const QString& name = QStringLiteral("Ada"), std::optional<QStringList> owned = std::nullopt);
InstallRecord record(const QString& id, const QString& name, const QString& version);

} // namespace hub::Fixtures
