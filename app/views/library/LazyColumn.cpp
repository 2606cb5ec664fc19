#include "app/views/library/LazyColumn.h"

#include "app/views/kit/FocusKeeper.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

namespace hub {

LazyColumn::LazyColumn(Make make, Refresh refresh, QWidget* parent)
    : QWidget(parent), make_(std::move(make)), refresh_(std::move(refresh))
{
    FocusKeeper::mark(this, FocusKeeper::Place::list);
}

void LazyColumn::setIds(const QStringList& ids)
{
    positions_.clear();
    for (qsizetype index = 0; index < ids.size(); ++index)
        positions_.insert(ids.at(index), index);
    for (auto row = rows_.begin(); row != rows_.end();) {
        if (positions_.contains(row.key())) {
            stale_.insert(row.key());
            ++row;
        } else {
            FocusKeeper::release(row.value());
            row.value()->deleteLater();
            stale_.remove(row.key());
            row = rows_.erase(row);
        }
    }
    ids_ = ids;
    updateGeometry();
    place();
}

QWidget* LazyColumn::row(const QString& id)
{
    const qsizetype index = positions_.value(id, -1);
    if (index < 0)
        return nullptr;
    QWidget* made = rows_.value(id);
    if (!made) {
        made = make_(id);
        made->setParent(this);
        FocusKeeper::mark(made, FocusKeeper::Place::row);
        rows_.insert(id, made);
        arrange(made, index);
        rowHeight();
    } else if (stale_.remove(id)) {
        refresh_(made, id);
    }
    made->setGeometry(0, int(index) * rowHeight(), width(), rowHeight());
    return made;
}

void LazyColumn::arrange(QWidget* made, qsizetype index)
{
    // Its Tab stops after those of the nearest row made above it.
    QWidget* before = nullptr;
    for (qsizetype at = index - 1; at >= 0 && !before; --at)
        if (const QWidget* above = rows_.value(ids_.at(at)))
            if (const QList<QWidget*> stops = FocusKeeper::tabStops(above); !stops.isEmpty())
                before = stops.last();
    FocusKeeper::arrange(before ? before : FocusKeeper::stopBefore(this), made);
}

qsizetype LazyColumn::focusedRow() const
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !isAncestorOf(focus))
        return -1;
    while (focus->parentWidget() != this)
        focus = focus->parentWidget();
    return positions_.value(rows_.key(focus), -1);
}

int LazyColumn::rowHeight() const
{
    // Every row is as tall as the first one made.
    if (rowHeight_ == 0 && !rows_.isEmpty())
        rowHeight_ = std::max(1, rows_.cbegin().value()->sizeHint().height());
    return std::max(rowHeight_, 1);
}

QSize LazyColumn::sizeHint() const
{
    return {0, int(ids_.size()) * (rowHeight_ > 0 ? rowHeight_ : 80)};
}

void LazyColumn::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!followed_) {
        for (QWidget* up = parentWidget(); up; up = up->parentWidget()) {
            if (auto* scroll = qobject_cast<QScrollArea*>(up)) {
                followed_ = scroll->verticalScrollBar();
                connect(followed_, &QScrollBar::valueChanged, this, &LazyColumn::place);
                connect(followed_, &QScrollBar::rangeChanged, this, &LazyColumn::place);
                break;
            }
        }
    }
    // Once laid out: what is on view is known only then.
    QTimer::singleShot(0, this, &LazyColumn::place);
}

void LazyColumn::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    place();
}

void LazyColumn::place()
{
    if (!isVisible() || ids_.isEmpty())
        return;
    if (rowHeight_ == 0) {
        row(ids_.first());
        updateGeometry();
    }
    const QRect shown = visibleRegion().boundingRect();
    if (shown.isEmpty())
        return;
    // A screen's worth above and below, so a scroll finds its rows made.
    const int height = rowHeight();
    const int first = std::max(0, (shown.top() - shown.height()) / height);
    const int last = std::min(int(ids_.size()) - 1, (shown.bottom() + shown.height()) / height);
    // The row holding the focus and the rows beside it stay shown wherever the view goes:
    // a scroll does not move the keyboard's place, and Tab goes on from it.
    const qsizetype held = focusedRow();
    const auto shows = [&](qsizetype index) {
        return (index >= first && index <= last) || (held >= 0 && std::abs(index - held) <= 1);
    };
    for (qsizetype index = std::max<qsizetype>(0, held - 1); held >= 0 && index <= held + 1 && index < ids_.size(); ++index)
        row(ids_.at(index))->show();
    for (int index = first; index <= last; ++index)
        row(ids_.at(index))->show();
    // Rows made earlier and scrolled far away keep their place, hidden.
    for (auto made = rows_.cbegin(); made != rows_.cend(); ++made)
        if (!shows(positions_.value(made.key())))
            made.value()->hide();
}

} // namespace hub
