#include "app/views/kit/BannerRow.h"

#include "app/views/kit/Accessibility.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/SymbolName.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"

#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QToolButton>

namespace hub {

// The row's drop shadow, drawn with the row at the row's opacity.
class BannerRow::Shadow : public QGraphicsDropShadowEffect {
public:
    using QGraphicsDropShadowEffect::QGraphicsDropShadowEffect;
    double opacity = 1;

protected:
    void draw(QPainter* painter) override
    {
        if (opacity <= 0)
            return;
        painter->save();
        painter->setOpacity(painter->opacity() * opacity);
        QGraphicsDropShadowEffect::draw(painter);
        painter->restore();
    }
};

QString BannerRow::symbol(Tone tone)
{
    switch (tone) {
    case Tone::success: return "checkmark.circle.fill"_symbol;
    case Tone::failure: return "exclamationmark.triangle.fill"_symbol;
    case Tone::info: break;
    }
    return "info.circle.fill"_symbol;
}

QColor BannerRow::color(Tone tone)
{
    switch (tone) {
    case Tone::success: return Theme::green();
    case Tone::failure: return Theme::systemOrange();
    case Tone::info: break;
    }
    return Theme::secondary();
}

BannerRow::BannerRow(Tone tone, const QString& text, std::function<void()> dismiss, QWidget* parent)
    : QWidget(parent), shadow_(new Shadow(this))
{
    // Said as it appears.
    Accessibility::setRole(this, QAccessible::AlertMessage);
    setAccessibleName(text);
    setMaximumWidth(maximumRowWidth);
    setAttribute(Qt::WA_TranslucentBackground);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(10);
    auto* mark = new QLabel(this);
    mark->setPixmap(Symbols::pixmap(symbol(tone), 16, color(tone)));
    Accessibility::hide(mark); // the text says it
    row->addWidget(mark, 0, Qt::AlignTop);
    QLabel* label = Labels::plain(text, TextStyle::body, this);
    label->setWordWrap(true);
    row->addWidget(label, 1, Qt::AlignTop);
    auto* close = new QToolButton(this);
    close->setAutoRaise(true);
    close->setIcon(QIcon(Symbols::pixmap("xmark"_symbol, 12, Theme::secondary())));
    close->setAccessibleName(QStringLiteral("Dismiss"));
    close->setCursor(Qt::PointingHandCursor);
    connect(close, &QToolButton::clicked, this, [dismiss] {
        if (dismiss)
            dismiss();
    });
    row->addWidget(close, 0, Qt::AlignTop);
    shadow_->setColor(QColor(0, 0, 0, 84));
    shadow_->setBlurRadius(16);
    shadow_->setOffset(0, 2);
    setGraphicsEffect(shadow_);
}

void BannerRow::setOpacity(double opacity)
{
    if (opacity == shadow_->opacity)
        return;
    shadow_->opacity = opacity;
    shadow_->update();
}

double BannerRow::opacity() const
{
    return shadow_->opacity;
}

QSize BannerRow::sizeHint() const
{
    return {maximumWidth(), heightForWidth(maximumWidth())};
}

void BannerRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::materialBackground());
    painter.drawRoundedRect(QRectF(rect()), 14, 14);
}

} // namespace hub
