#include "app/views/account/AccountCard.h"

#include "app/views/kit/Labels.h"
#include "app/views/kit/Accessibility.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace hub {

namespace {
constexpr double cornerRadius = 14;
} // namespace

AccountCard::AccountCard(const QString& title, const QString& symbol, bool connected, QWidget* parent)
    : QWidget(parent), column_(new QVBoxLayout(this))
{
    column_->setContentsMargins(18, 18, 18, 18);
    column_->setSpacing(8);
    column_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    setMinimumHeight(150);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

    auto* header = new QHBoxLayout;
    auto* image = new QLabel(this);
    image->setPixmap(Symbols::pixmap(symbol, 20, Theme::accent()));
    header->addWidget(image);
    Accessibility::hide(image); // the title beside it says it
    header->addWidget(Labels::plain(title, TextStyle::title3, this, QFont::Bold));
    header->addStretch(1);
    QLabel* status = Labels::plain(connected ? QStringLiteral("Connected") : QStringLiteral("Not connected"),
                                   TextStyle::caption, this, QFont::DemiBold);
    Labels::setColor(status, connected ? Theme::green() : Theme::secondary());
    status->setObjectName(QStringLiteral("status"));
    header->addWidget(status);
    column_->addLayout(header);
}

void AccountCard::addRow(QWidget* row)
{
    column_->addWidget(row);
}

void AccountCard::addRow(QLayout* row)
{
    column_->addLayout(row);
}

void AccountCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The stroke lies along the inside of the border.
    const QRectF inner = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(inner, cornerRadius, cornerRadius);
    painter.fillPath(shape, Theme::primary(0.04));
    painter.setPen(QPen(Theme::primary(0.08), 1));
    painter.drawPath(shape);
}

} // namespace hub
