#include "app/views/product/SymbolLabel.h"

#include "app/views/kit/Accessibility.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/Symbols.h"

#include <QHBoxLayout>
#include <QLabel>

namespace hub {

SymbolLabel::SymbolLabel(const QString& symbol, const QString& text, TextStyle style, const QColor& color, QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    auto* mark = new QLabel(this);
    mark->setPixmap(Symbols::pixmap(symbol, Typography::pixelSize(style), color));
    Accessibility::hide(mark); // the text says it
    row->addWidget(mark, 0, Qt::AlignTop);
    text_ = Labels::plain(text, style, this);
    text_->setWordWrap(true);
    Labels::setColor(text_, color);
    row->addWidget(text_, 1);
}

void SymbolLabel::setText(const QString& text)
{
    text_->setText(text);
}

QString SymbolLabel::text() const
{
    return text_->text();
}

} // namespace hub
