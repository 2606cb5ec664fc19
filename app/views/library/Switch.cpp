#include "app/views/library/Switch.h"

#include "app/views/kit/FocusHighlight.h"
#include "app/views/kit/Theme.h"
#include "app/views/kit/Typography.h"

#include <QPainter>

namespace hub {

namespace {

constexpr int trackWidth = 34;
constexpr int trackHeight = 20;
constexpr int gap = 10;
constexpr int ringGap = 3; // the focus ring around the track

} // namespace

Switch::Switch(const QString& text, QWidget* parent) : QAbstractButton(parent)
{
    setText(text);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus); // a click leaves the focus where it was
    setFont(Typography::font(TextStyle::body));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize Switch::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + gap + trackWidth + ringGap,
        std::max(trackHeight + 2 * ringGap, metrics.height())};
}

void Switch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(text());
    painter.setPen(Theme::primary());
    painter.drawText(QRect(0, 0, textWidth, height()), Qt::AlignLeft | Qt::AlignVCenter, text());

    const QRectF track(textWidth + gap, (height() - trackHeight) / 2.0, trackWidth, trackHeight);
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? Theme::accent() : Theme::primary(0.2));
    painter.drawRoundedRect(track, trackHeight / 2.0, trackHeight / 2.0);
    const double knob = trackHeight - 4;
    const double x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
    if (hasFocus()) {
        const QRectF ring = track.adjusted(-ringGap, -ringGap, ringGap, ringGap);
        FocusHighlight::paint(painter, ring, ring.height() / 2, Theme::accent());
    }
}

} // namespace hub
