#include "app/views/kit/ControlSlot.h"

#include "app/views/kit/FocusKeeper.h"

#include <QHBoxLayout>
#include <utility>

namespace hub {

ControlSlot::ControlSlot(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    FocusKeeper::mark(this, FocusKeeper::Place::slot);
}

void ControlSlot::replace(QWidget* next)
{
    delete content_; // the window's FocusKeeper keeps the focus it held here, for what comes next
    content_ = next;
    if (next) {
        if (!tabStops_)
            leaveTabOrder(next);
        layout()->addWidget(next);
        next->show();
        takeTabPlace(FocusKeeper::tabStops(next)); // a slot inside may have put its own stops first
    }
    updateGeometry();
}

void ControlSlot::leaveTabOrder(QWidget* root)
{
    QList<QWidget*> inside = root->findChildren<QWidget*>();
    inside.prepend(root);
    for (QWidget* widget : inside) {
        if (auto* slot = qobject_cast<ControlSlot*>(widget))
            slot->tabStops_ = false;
        if (widget->focusPolicy() & Qt::TabFocus)
            widget->setFocusPolicy(Qt::NoFocus);
    }
}

void ControlSlot::takeTabPlace(const QList<QWidget*>& stops)
{
    // Made now, the stops come last in the window's Tab order: they go where this slot stands.
    if (stops.isEmpty())
        return;
    QWidget* before = previousInFocusChain();
    while (before != window() && (!(before->focusPolicy() & Qt::TabFocus) || stops.contains(before)))
        before = before->previousInFocusChain();
    if (before == window())
        return;
    for (QWidget* stop : stops)
        QWidget::setTabOrder(std::exchange(before, stop), stop);
}

} // namespace hub
