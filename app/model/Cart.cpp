#include "app/model/Cart.h"

#include "app/model/Assign.h"
#include "app/model/Banners.h"
#include "app/model/Preferences.h"
#include "app/model/Prices.h"

namespace hub {

Cart::Cart(Parts parts, QObject* parent) : QObject(parent), parts_(parts) {}

QString Cart::price(const PricingVariation& variation) const
{
    return Prices::price(variation, parts_.preferences.currency());
}

QString Cart::format(double amount, const PricingVariation& variation, const PriceMap& table) const
{
    return Prices::format(amount, variation, table, parts_.preferences.currency());
}

QString Cart::cartTotal() const
{
    return Prices::total(cart_, parts_.preferences.currency());
}

void Cart::toggleWishlist(const QString& productId)
{
    QSet<QString> wishlist = parts_.preferences.wishlist();
    if (!wishlist.remove(productId))
        wishlist.insert(productId);
    parts_.preferences.setWishlist(wishlist);
}

void Cart::removeFromWishlist(const QStringList& productIds)
{
    QSet<QString> wishlist = parts_.preferences.wishlist();
    for (const QString& id : productIds)
        wishlist.remove(id);
    parts_.preferences.setWishlist(wishlist);
}

void Cart::addToCart(const StorefrontProduct& product, const std::optional<PricingVariation>& variation)
{
    const std::optional<PricingVariation> chosen = variation ? variation : product.defaultVariation;
    if (!chosen)
        return;
    QList<CartLine> lines = cart_;
    lines.removeIf([&](const CartLine& line) { return line.product.id == product.id; });
    lines.append({product, *chosen});
    setCart(std::move(lines));
    parts_.banners.flash(Banner::Tone::info, product.name + QStringLiteral(" is in your cart."));
}

void Cart::removeFromCart(const CartLine& line)
{
    QList<CartLine> lines = cart_;
    lines.removeIf([&](const CartLine& held) { return held.product.id == line.product.id; });
    setCart(std::move(lines));
}

void Cart::clear()
{
    setCart({});
}

void Cart::setCart(QList<CartLine> lines)
{
    if (assign(cart_, std::move(lines)))
        emit cartChanged();
}

} // namespace hub
