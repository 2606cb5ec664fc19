#include "app/views/store/CarouselPresenter.h"

namespace hub {

std::optional<int> CarouselPresenter::position(qint64 index, qsizetype count)
{
    if (count <= 0)
        return std::nullopt;
    const qint64 rest = index % count;
    return int(rest < 0 ? rest + count : rest);
}

std::optional<CarouselPresenter::Card> CarouselPresenter::card(const QList<StorefrontProduct>& products, qint64 index,
    const QString& category)
{
    const std::optional<int> at = position(index, products.size());
    if (!at)
        return std::nullopt;
    const StorefrontProduct& product = products.at(*at);
    Card card;
    card.eyebrow = category.toUpper();
    card.name = product.name;
    card.tagline = !product.tagline.isEmpty() ? product.tagline : product.description.value_or(QString());
    card.accessibleName = QStringLiteral("Featured: ") + product.name;
    card.position = *at;
    for (int dot = 0; dot < products.size(); ++dot)
        card.dots.append(dot == *at);
    return card;
}

} // namespace hub
