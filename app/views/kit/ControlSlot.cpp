#include "app/views/kit/ControlSlot.h"

#include "app/views/kit/FocusKeeper.h"

#include <QHBoxLayout>

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
    if (content_) {
        // Where its stops stand in the Tab order, for what comes next.
        if (const QList<QWidget*> stops = FocusKeeper::tabStops(content_); !stops.isEmpty())
            before_ = FocusKeeper::stopBefore(stops.first());
        FocusKeeper::release(content_); // the focus it holds waits here for what comes next
        delete content_;
    }
    content_ = next;
    if (next) {
        if (!tabStops_)
            leaveTabOrder(next);
        layout()->addWidget(next);
        next->show();
        // Made now, its stops come last in the window's Tab order: they go where the old ones stood.
        const bool kept = before_ && (before_->focusPolicy() & Qt::TabFocus);
        FocusKeeper::arrange(kept ? before_.data() : FocusKeeper::stopBefore(this), next);
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

} // namespace hub
