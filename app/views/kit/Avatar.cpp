#include "app/views/kit/Avatar.h"

#include "app/views/kit/Accessibility.h"
#include "app/views/kit/PagePresenter.h"
#include "app/views/kit/SymbolName.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"
#include "app/views/kit/Typography.h"

#include <QPainter>

namespace hub {

Avatar::Avatar(const QString& text, int size, bool signedIn, QWidget* parent)
    : QWidget(parent), text_(text), signedIn_(signedIn)
{
    setFixedSize(size, size);
    Accessibility::hide(this); // the text beside it says who is signed in
}

void Avatar::set(const QString& text, bool signedIn)
{
    if (text == text_ && signedIn == signedIn_)
        return;
    text_ = text;
    signedIn_ = signedIn;
    update();
}

void Avatar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc = rect();
    const double glyph = PagePresenter::initialSize(disc.width());
    painter.setPen(Qt::NoPen);
    if (signedIn_) {
        painter.setBrush(Theme::brand(disc));
        painter.drawEllipse(disc);
        painter.setPen(Qt::white);
        painter.setFont(Typography::font(glyph, QFont::DemiBold));
        painter.drawText(disc, Qt::AlignCenter | Qt::TextSingleLine, PagePresenter::initial(text_));
        return;
    }
    QColor grey = Theme::secondary();
    grey.setAlphaF(0.25f);
    painter.setBrush(grey);
    painter.drawEllipse(disc);
    const QRectF symbol(disc.center().x() - glyph / 2, disc.center().y() - glyph / 2, glyph, glyph);
    Symbols::paint(painter, "person.fill"_symbol, symbol, Theme::secondary());
}

} // namespace hub
