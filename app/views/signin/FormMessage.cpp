#include "app/views/signin/FormMessage.h"

#include "app/views/kit/Accessibility.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/Symbols.h"

#include <QHBoxLayout>

namespace hub {

FormMessage::FormMessage(const QString& symbol, const QColor& color, QWidget* parent)
    : QWidget(parent), text_(Labels::plain(QString(), TextStyle::callout, this))
{
    Accessibility::setRole(this, QAccessible::AlertMessage);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    auto* image = new QLabel(this);
    image->setPixmap(Symbols::pixmap(symbol, 13, color));
    Accessibility::hide(image); // the message says it
    image->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    image->setContentsMargins(0, 1, 0, 0);
    row->addWidget(image, 0, Qt::AlignTop);
    Labels::setColor(text_, color);
    text_->setWordWrap(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(text_, 1);
}

void FormMessage::present(const std::optional<QString>& text)
{
    if (!text) {
        hide();
        return;
    }
    if (*text != text_->text()) {
        text_->setText(*text);
        setAccessibleName(*text);
        hide(); // a new text appears anew, and is said
    }
    show();
}

QString FormMessage::text() const
{
    return text_->text();
}

} // namespace hub
