#include "app/views/kit/BetaBadge.h"

#include "app/views/kit/Typography.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace hub {

namespace {

constexpr int horizontalPadding = 6;
constexpr int verticalPadding = 2;

const QString& text()
{
    static const QString upper = QStringLiteral("Beta").toUpper();
    return upper;
}

} // namespace

BetaBadge::BetaBadge(QColor accent, QWidget* parent) : QWidget(parent), accent_(accent)
{
    setToolTip(QStringLiteral("Tavren Hub is in public beta. Help > Send Beta Feedback."));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QFont BetaBadge::badgeFont() const
{
    QFont font = Typography::font(9, QFont::ExtraBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    return font;
}

QSize BetaBadge::sizeHint() const
{
    const QFontMetrics metrics(badgeFont());
    return {metrics.horizontalAdvance(text()) + 2 * horizontalPadding, metrics.height() + 2 * verticalPadding};
}

void BetaBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The outline is drawn inside the edge: half a point in from every side.
    const QRectF capsule = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = capsule.height() / 2;
    QColor fill = accent_;
    fill.setAlphaF(0.15);
    QColor outline = accent_;
    outline.setAlphaF(0.4);
    painter.setPen(QPen(outline, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(capsule, radius, radius);
    painter.setFont(badgeFont());
    painter.setPen(accent_);
    painter.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace hub
