#include "app/views/extras/StageChip.h"

#include "app/views/extras/ExtrasShelfPresenter.h"
#include "app/views/kit/Theme.h"
#include "app/views/kit/Typography.h"

#include <QPainter>

namespace hub {

namespace {
constexpr int horizontalPadding = 6;
constexpr int verticalPadding = 2;
} // namespace

StageChip::StageChip(const QString& stage, QWidget* parent)
    : QWidget(parent), text_(ExtrasShelfPresenter::chipText(stage))
{
    setFont(Typography::font(9, QFont::Bold));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize StageChip::sizeHint() const
{
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(text_) + 2 * horizontalPadding, fm.height() + 2 * verticalPadding};
}

void StageChip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    const double radius = bounds.height() / 2;
    QColor fill = Theme::orange();
    fill.setAlphaF(0.15f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(bounds, radius, radius);
    painter.setPen(Theme::orange());
    painter.drawText(bounds, Qt::AlignCenter | Qt::TextSingleLine, text_);
}

} // namespace hub
