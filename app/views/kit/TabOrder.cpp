#include "app/views/kit/TabOrder.h"

#include <QWidget>

namespace hub::TabOrder {

void chain(const QList<QWidget*>& widgets)
{
    for (qsizetype i = 1; i < widgets.size(); ++i)
        QWidget::setTabOrder(widgets[i - 1], widgets[i]);
}

void after(QWidget* container, QWidget* next)
{
    // A container's widgets follow it in the focus chain; Qt orders only widgets that take the focus.
    QWidget* last = nullptr;
    for (QWidget* widget = container->nextInFocusChain(); container->isAncestorOf(widget); widget = widget->nextInFocusChain())
        if (widget->focusPolicy() != Qt::NoFocus)
            last = widget;
    if (last)
        QWidget::setTabOrder(last, next);
}

} // namespace hub::TabOrder
