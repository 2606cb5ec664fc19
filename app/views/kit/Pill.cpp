#include "app/views/kit/Pill.h"

#include "app/views/kit/FocusHighlight.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"
#include "app/views/kit/Typography.h"

#include <QPainter>
#include <QPainterPath>

namespace hub {

namespace {
constexpr int symbolGap = 5;
}

Pill::Pill(const QString& title, const QString& symbol, bool large, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), metrics_(ActionButtonPresenter::metrics(large))
{
    setText(title);
    Labels::setToolTip(this, title);
    setFont(Typography::font(metrics_.fontPixels, QFont::Bold));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus); // a click leaves the focus where it was
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize Pill::sizeHint() const
{
    const QFontMetrics fm(font());
    int content = fm.horizontalAdvance(text());
    if (!symbol_.isEmpty())
        content += fm.height() + symbolGap;
    const int width = std::max(metrics_.minimumWidth, content + 2 * metrics_.horizontalPadding);
    return {width, fm.height() + 2 * metrics_.verticalPadding};
}

void Pill::setSymbolTrailing(bool trailing)
{
    trailing_ = trailing;
    update();
}

bool Pill::hitButton(const QPoint& position) const
{
    QPainterPath capsule;
    const double radius = height() / 2.0;
    capsule.addRoundedRect(QRectF(rect()), radius, radius);
    return capsule.contains(position);
}

void Pill::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1.0 : 0.6);
    const QRectF bounds = rect();
    const double radius = bounds.height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::primary(isDown() ? 0.16 : 0.08));
    painter.drawRoundedRect(bounds, radius, radius);

    const QFontMetrics fm(font());
    const int symbolSide = symbol_.isEmpty() ? 0 : fm.height();
    const int textWidth = fm.horizontalAdvance(text());
    const int content = textWidth + (symbol_.isEmpty() ? 0 : symbolSide + symbolGap);
    const double left = bounds.center().x() - content / 2.0;
    const double symbolX = trailing_ ? left + textWidth + symbolGap : left;
    const double textX = trailing_ || symbol_.isEmpty() ? left : left + symbolSide + symbolGap;
    if (!symbol_.isEmpty())
        Symbols::paint(painter, symbol_, QRectF(symbolX, bounds.center().y() - symbolSide / 2.0, symbolSide, symbolSide),
            Theme::accent());
    painter.setPen(Theme::accent());
    painter.drawText(QRectF(textX, 0, textWidth, bounds.height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
        text());
    if (hasFocus())
        FocusHighlight::paint(painter, bounds, radius, Theme::accent());
}

} // namespace hub
