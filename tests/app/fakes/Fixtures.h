#pragma once

#include "kit/api/CatalogExtras.h"
#include "kit/api/ProductSummary.h"
#include "kit/api/TavrenIDProfile.h"
#include "kit/api/TavrenIDPurchase.h"
#include "kit/api/TavrenIDSession.h"
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
TavrenIDProfile profile(const QString& email, std::optional<QStringList> products = std::nullopt);
TavrenIDSession session(const QString& id, const QString& label);
TavrenIDPurchase purchase(const QString& id, const QString& productId);
// A feed of free tools with these names (ids derived from them).
CatalogExtras extras(const QStringList& names);

} // namespace hub::Fixtures
