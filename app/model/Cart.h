#pragma once

#include "app/model/CartLine.h"

#include <QList>
#include <QObject>
#include <optional>

namespace hub {

class Banners;
class Preferences;

// The cart (in the order lines were added, one line per product, not persisted),
// the wishlist's operations, and the price texts every screen shows.
class Cart : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<hub::CartLine> cart READ cart NOTIFY cartChanged)

public:
    struct Parts {
        Preferences& preferences;
        Banners& banners;
    };

    explicit Cart(Parts parts, QObject* parent = nullptr);

    const QList<CartLine>& cart() const { return cart_; }

    // The variation's price text in the chosen currency.
    QString price(const PricingVariation& variation) const;
    QString format(double amount, const PricingVariation& variation, const PriceMap& table) const;
    // The cart's sum in the chosen currency; lines not priced in it count 0.
    QString cartTotal() const;

    void toggleWishlist(const QString& productId);
    void removeFromWishlist(const QStringList& productIds);
    // Replaces the product's line (moving it last) and says so; nothing without a variation.
    void addToCart(const StorefrontProduct& product, const std::optional<PricingVariation>& variation = std::nullopt);
    void removeFromCart(const CartLine& line);
    void clear();

signals:
    void cartChanged();

private:
    void setCart(QList<CartLine> lines);

    Parts parts_;
    QList<CartLine> cart_;
};

} // namespace hub
