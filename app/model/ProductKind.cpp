#include "app/model/ProductKind.h"

namespace hub {

const QList<ProductKind>& allProductKinds()
{
    static const QList<ProductKind> all{ProductKind::plugIn, ProductKind::app, ProductKind::game};
    return all;
}

QString toString(ProductKind kind)
{
    switch (kind) {
    case ProductKind::plugIn:
        return QStringLiteral("Plug-ins");
    case ProductKind::app:
        return QStringLiteral("Apps");
    case ProductKind::game:
        return QStringLiteral("Games");
    }
    return {};
}

std::optional<ProductKind> productKindFromString(const QString& raw)
{
    for (ProductKind kind : allProductKinds()) {
        if (toString(kind) == raw)
            return kind;
    }
    return std::nullopt;
}

} // namespace hub
