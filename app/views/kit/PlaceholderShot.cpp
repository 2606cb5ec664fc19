#include "app/views/kit/PlaceholderShot.h"

#include "app/views/kit/GalleryPresenter.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace hub {

namespace {

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

} // namespace

PlaceholderShot::PlaceholderShot(const QString& name, const std::optional<QString>& iconUrl, const QColor& tint,
    int variant, QWidget* parent)
    : QWidget(parent), tint_(tint), variant_(variant), icon_(new ProductIcon(iconUrl, name, 84, this)),
      title_(Labels::plain(QString(), TextStyle::headline, this))
{
    auto* column = new QVBoxLayout(this);
    column->setSpacing(14);
    column->addStretch();
    column->addWidget(icon_, 0, Qt::AlignHCenter);
    Labels::setColor(title_, withAlpha(Qt::white, 0.9));
    title_->setAlignment(Qt::AlignHCenter);
    column->addWidget(title_, 0, Qt::AlignHCenter);
    column->addStretch();
    setProduct(name, iconUrl);
}

void PlaceholderShot::setProduct(const QString& name, const std::optional<QString>& iconUrl)
{
    setAccessibleName(QStringLiteral("%1 preview placeholder").arg(name));
    icon_->setProduct(iconUrl, name);
    title_->setText(name);
}

void PlaceholderShot::setTint(const QColor& tint)
{
    if (tint == tint_)
        return;
    tint_ = tint;
    update();
}

void PlaceholderShot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    QPainterPath shape;
    shape.addRoundedRect(bounds, 12, 12);
    painter.setClipPath(shape);

    const GalleryPresenter::Card card = GalleryPresenter::card(variant_);
    QLinearGradient wash(card.fromTopLeading ? bounds.topLeft() : bounds.topRight(),
        card.fromTopLeading ? bounds.bottomRight() : bounds.bottomLeft());
    wash.setColorAt(0.0, withAlpha(tint_, 0.85));
    wash.setColorAt(0.5, withAlpha(Theme::violet(), 0.75));
    wash.setColorAt(1.0, withAlpha(Qt::black, 0.9));
    painter.fillRect(bounds, wash);

    QRadialGradient glow(card.highlightTopLeading ? bounds.topLeft() : bounds.bottomRight(), 260);
    glow.setColorAt(0.0, withAlpha(Theme::orange(), 0.35));
    glow.setColorAt(1.0, Qt::transparent);
    painter.fillRect(bounds, glow);

    painter.setClipping(false);
    painter.setPen(QPen(withAlpha(Qt::white, 0.08), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), 11.5, 11.5);
}

} // namespace hub
