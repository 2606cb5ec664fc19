#include "app/views/kit/KeyboardGrid.h"

#include "app/views/kit/Accessibility.h"
#include "app/views/kit/ControlSlot.h"
#include "app/views/kit/FlowGrid.h"
#include "app/views/kit/FocusHighlight.h"
#include "app/views/kit/FocusKeeper.h"
#include "app/views/kit/KeyboardGridPresenter.h"
#include "app/views/kit/Motion.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QScrollArea>
#include <QVariantAnimation>

namespace hub {

using Arrow = KeyboardGridPresenter::Arrow;

KeyboardGrid::KeyboardGrid(const QStringList& ids, double minimum, double spacing, Open open, Content content,
    QWidget* parent)
    : QWidget(parent), ids_(ids), open_(std::move(open)), layout_(new FlowGrid(minimum, spacing, this)),
      highlight_(new FocusHighlight(this))
{
    FocusKeeper::mark(this, FocusKeeper::Place::list);
    Accessibility::setRole(this, QAccessible::List);
    for (const QString& id : ids_) {
        QWidget* cell = content ? content(id) : nullptr;
        if (!cell)
            cell = new QWidget;
        cell->setParent(this);
        Accessibility::setRole(cell, QAccessible::ListItem); // named by what it holds
        ControlSlot::leaveTabOrder(cell); // the cell takes the focus for what it holds
        cell->setFocusPolicy(Qt::StrongFocus);
        FocusKeeper::mark(cell, FocusKeeper::Place::row);
        cell->installEventFilter(this);
        layout_->addWidget(cell);
        cells_.append(cell);
    }
    highlight_->lower();
}

QWidget* KeyboardGrid::cell(const QString& id) const
{
    const qsizetype index = ids_.indexOf(id);
    return index < 0 ? nullptr : cells_[index];
}

int KeyboardGrid::columns() const
{
    return layout_->columns();
}

std::optional<int> KeyboardGrid::indexOf(QObject* cell) const
{
    const qsizetype index = cells_.indexOf(static_cast<QWidget*>(cell));
    return index < 0 ? std::nullopt : std::optional<int>(int(index));
}

void KeyboardGrid::setFocused(std::optional<QString> id, bool ring)
{
    // A highlight on show moves across to the next cell; one coming on starts there.
    const bool across = ring_ && ring && focused_ && id && *focused_ != *id;
    const bool again = focused_ == id;
    focused_ = std::move(id);
    ring_ = focused_ && ring;
    if (across)
        glideHighlight();
    else if (!(again && glide_))
        placeHighlight();
    highlight_->setOn(ring_);
}

void KeyboardGrid::placeHighlight()
{
    if (glide_)
        glide_->stop();
    if (QWidget* target = focused_ ? cell(*focused_) : nullptr)
        highlight_->setGeometry(target->geometry());
}

void KeyboardGrid::glideHighlight()
{
    QWidget* target = cell(*focused_);
    if (!target)
        return;
    if (glide_)
        glide_->stop();
    glide_ = Motion::animate(highlight_, highlight_->geometry(), target->geometry(), 120, QEasingCurve::OutQuad,
        [highlight = highlight_](const QVariant& value) { highlight->setGeometry(value.toRect()); });
    if (glide_) // the cell may have moved on the way
        connect(glide_, &QAbstractAnimation::finished, this, &KeyboardGrid::placeHighlight);
}

bool KeyboardGrid::key(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (!focused_)
            return false;
        if (open_)
            open_(*focused_);
        return true;
    }
    std::optional<Arrow> arrow;
    switch (key) {
    case Qt::Key_Left: arrow = Arrow::left; break;
    case Qt::Key_Right: arrow = Arrow::right; break;
    case Qt::Key_Up: arrow = Arrow::up; break;
    case Qt::Key_Down: arrow = Arrow::down; break;
    default: return false;
    }
    const std::optional<int> from = focused_ ? std::optional<int>(int(ids_.indexOf(*focused_))) : std::nullopt;
    const std::optional<int> target = KeyboardGridPresenter::move(from, int(ids_.size()), columns(), *arrow);
    if (!target)
        return false;
    moving_ = true;
    cells_[*target]->setFocus(Qt::OtherFocusReason);
    moving_ = false;
    setFocused(ids_[*target], true);
    return true;
}

void KeyboardGrid::scrollIntoView(QWidget* widget)
{
    for (QWidget* up = widget->parentWidget(); up; up = up->parentWidget())
        if (auto* scroll = qobject_cast<QScrollArea*>(up))
            scroll->ensureWidgetVisible(widget);
}

bool KeyboardGrid::eventFilter(QObject* watched, QEvent* event)
{
    const std::optional<int> index = indexOf(watched);
    if (!index)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn: {
        // Focus that arrives by keyboard shows the ring; by pointer it does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool keyboard = moving_ || reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
            || reason == Qt::ShortcutFocusReason;
        setFocused(ids_[*index], keyboard);
        if (keyboard)
            scrollIntoView(cells_[*index]);
        break;
    }
    case QEvent::FocusOut: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        QWidget* now = QApplication::focusWidget();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !moving_
            && !(now && isAncestorOf(now)))
            setFocused(std::nullopt, false);
        break;
    }
    case QEvent::KeyPress:
        if (key(static_cast<QKeyEvent*>(event)->key()))
            return true;
        break;
    case QEvent::Move:
    case QEvent::Resize:
        if (focused_ && ids_[*index] == *focused_ && !glide_)
            placeHighlight();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace hub
