#include "app/views/product/Stars.h"

#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"
#include "app/views/product/ReviewsPresenter.h"

#include <QPainter>
#include <QtMath>

namespace hub {

Stars::Stars(double rating, int size, QWidget* parent) : QWidget(parent), rating_(rating), size_(size)
{
    setAccessibleName(ReviewsPresenter::starsLabel(rating));
    setFixedSize(sizeHint());
}

QSize Stars::sizeHint() const
{
    const double gap = size_ * 0.15;
    return QSize(qCeil(size_ * 5 + gap * 4), size_);
}

void Stars::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double gap = size_ * 0.15;
    double x = 0;
    for (const QString& glyph : ReviewsPresenter::stars(rating_)) {
        Symbols::paint(painter, glyph, QRectF(x, 0, size_, size_), Theme::orange());
        x += size_ + gap;
    }
}

} // namespace hub
