#include "app/views/kit/Wordmark.h"

#include "app/views/kit/Artwork.h"
#include "app/views/kit/Typography.h"

#include <QEvent>
#include <QPainter>

namespace hub {

namespace {

QString tail() { return QStringLiteral("avren"); }

} // namespace

Wordmark::Wordmark(int height, QWidget* parent) : QWidget(parent), height_(height)
{
    setAccessibleName(QStringLiteral("Tavren"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

bool Wordmark::darkScheme() const
{
    return palette().color(QPalette::Window).lightness() < 128;
}

QSize Wordmark::sizeHint() const
{
    if (darkScheme())
        return {int(Artwork::widthAt(Artwork::wordmark, height_)), height_};
    const QFontMetrics fm(Typography::font(height_ * 0.78, QFont::Bold));
    const double mark = Artwork::widthAt(Artwork::mark, height_);
    return {int(mark + height_ * 0.12 + fm.horizontalAdvance(tail())) + 1, height_};
}

void Wordmark::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (darkScheme()) {
        Artwork::paint(painter, Artwork::wordmark, rect());
        return;
    }
    const double mark = Artwork::widthAt(Artwork::mark, height_);
    Artwork::paint(painter, Artwork::mark, QRectF(0, 0, mark, height_));
    painter.setFont(Typography::font(height_ * 0.78, QFont::Bold));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRectF(mark + height_ * 0.12, height_ * 0.06, width(), height_),
        Qt::AlignLeft | Qt::AlignVCenter, tail());
}

void Wordmark::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        updateGeometry();
        update();
    }
}

} // namespace hub
