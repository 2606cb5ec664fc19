#pragma once

#include <QStyledItemDelegate>

namespace hub {

// Paints a sidebar row: the label as usual, its count badge (a capsule at the trailing
// edge) when it has one, the focus ring on the current row, and a group header as small
// secondary text.
class SidebarBadgeDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int badgeRole = Qt::UserRole + 1;  // the badge's text; empty for none
    static constexpr int headerRole = Qt::UserRole + 2; // true on a group header

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace hub
