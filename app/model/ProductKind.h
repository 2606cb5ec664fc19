#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace hub {

// What a product is. The raw value is also the kind's display word and its word
// in the search index.
enum class ProductKind { plugIn, app, game };

const QList<ProductKind>& allProductKinds();
QString toString(ProductKind kind); // "Plug-ins", "Apps", "Games"
std::optional<ProductKind> productKindFromString(const QString& raw); // exact, case-sensitive

} // namespace hub
