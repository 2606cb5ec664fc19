#include "app/views/kit/ProductIcon.h"

#include "app/views/kit/Accessibility.h"
#include "app/views/kit/Artwork.h"
#include "app/views/kit/ProductIconPresenter.h"
#include "app/views/kit/Theme.h"
#include "app/views/kit/Typography.h"
#include "kit/security/HostPolicy.h"

#include <QGraphicsDropShadowEffect>
#include <QPainter>
#include <QPainterPath>

namespace hub {

ProductIcon::ProductIcon(const std::optional<QString>& url, const QString& name, int size, QWidget* parent)
    : CachedImage(ProductIconPresenter::imageUrl(url, HostPolicy::tavren()).value_or(QUrl()),
          ProductIconPresenter::maxPixels(size),
          [this](QPainter& painter, const QRectF& rect) { paintMonogram(painter, rect, name_); }, parent),
      name_(name)
{
    setFixedSize(size, size);
    Accessibility::hide(this); // the product's name is always written beside it
    setCornerRadius(ProductIconPresenter::cornerRadius(size));
    const ProductIconPresenter::Shadow shadow = ProductIconPresenter::shadow(size);
    auto* effect = new QGraphicsDropShadowEffect(this);
    effect->setColor(QColor(0, 0, 0, int(255 * shadow.opacity)));
    effect->setBlurRadius(shadow.radius * 2);
    effect->setOffset(0, shadow.offsetY);
    setGraphicsEffect(effect);
    setAttribute(Qt::WA_TranslucentBackground);
}

void ProductIcon::setProduct(const std::optional<QString>& url, const QString& name)
{
    if (name != name_) {
        name_ = name;
        update();
    }
    setUrl(ProductIconPresenter::imageUrl(url, HostPolicy::tavren()).value_or(QUrl()));
}

void ProductIcon::paintMonogram(QPainter& painter, const QRectF& rect, const QString& name)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, QColor::fromRgbF(0.20f, 0.16f, 0.30f));
    gradient.setColorAt(1, QColor::fromRgbF(0.09f, 0.08f, 0.14f));
    painter.fillRect(rect, gradient);
    const double side = qMin(rect.width(), rect.height());
    painter.setOpacity(0.35);
    Artwork::paint(painter, Artwork::mark, rect.adjusted(side * 0.2, side * 0.2, -side * 0.2, -side * 0.2));
    painter.setOpacity(1.0);
    painter.setPen(Qt::white);
    painter.setFont(Typography::font(side * 0.4, QFont::Bold));
    painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, ProductIconPresenter::monogram(name));
}

void ProductIcon::paintOverlay(QPainter& painter, const QRectF& rect)
{
    const double radius = ProductIconPresenter::cornerRadius(rect.width());
    painter.setPen(QPen(Theme::primary(0.08), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
}

} // namespace hub
