#include "app/shell/SidebarBadgeDelegate.h"

#include "app/views/kit/FocusHighlight.h"
#include "app/views/kit/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace hub {

void SidebarBadgeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.data(headerRole).toBool()) {
        QFont font = option.font;
        font.setPointSizeF(font.pointSizeF() * 0.85);
        font.setBold(true);
        painter->save();
        painter->setFont(font);
        painter->setPen(option.palette.color(QPalette::Disabled, QPalette::Text));
        painter->drawText(option.rect.adjusted(8, 0, -8, -2), Qt::AlignLeft | Qt::AlignBottom, index.data().toString());
        painter->restore();
        return;
    }
    QStyleOptionViewItem row(option);
    row.state &= ~QStyle::State_HasFocus; // ringed here, whole
    QStyledItemDelegate::paint(painter, row, index);
    // The current row while the list has the focus the keyboard moved: Down then chooses
    // the next section.
    constexpr QStyle::State focused = QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    if ((option.state & focused) == focused)
        FocusHighlight::paint(*painter, option.rect, 6, option.state & QStyle::State_Selected ? Theme::primary() : Theme::accent());
    const QString badge = index.data(badgeRole).toString();
    if (badge.isEmpty())
        return;
    QFont font = option.font;
    font.setPointSizeF(font.pointSizeF() * 0.85);
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int height = metrics.height() + 2;
    const int width = std::max(height, metrics.horizontalAdvance(badge) + 12);
    const QRect capsule(option.rect.right() - 8 - width, option.rect.center().y() - height / 2, width, height);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(capsule, height / 2.0, height / 2.0);
    QColor fill = option.palette.color(QPalette::Text);
    fill.setAlphaF(0.15);
    painter->fillPath(path, fill);
    painter->setFont(font);
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawText(capsule, Qt::AlignCenter, badge);
    painter->restore();
}

QSize SidebarBadgeDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), index.data(headerRole).toBool() ? 30 : 28));
    return size;
}

} // namespace hub
