#pragma once

#include "kit/api/StorefrontProduct.h"

#include <QList>
#include <QString>
#include <optional>

namespace hub {

// The hero carousel's arithmetic and texts. The index only grows (by the timer) or
// is set (by a dot); the shown product is the index modulo the number of products.
struct CarouselPresenter {
    static constexpr int turnMs = 7000;
    static constexpr int fadeMs = 450; // a turn changes the card over this long

    // The shown position; none for an empty list.
    static std::optional<int> position(qint64 index, qsizetype count);

    struct Card {
        QString eyebrow;  // the catalog category in capitals
        QString name;
        QString tagline;  // else the description, else empty
        QString accessibleName;
        int position = 0;
        QList<bool> dots; // one per product, true for the shown one
        bool operator==(const Card&) const = default;
    };
    // Nothing for an empty list.
    static std::optional<Card> card(const QList<StorefrontProduct>& products, qint64 index, const QString& category);
};

} // namespace hub
