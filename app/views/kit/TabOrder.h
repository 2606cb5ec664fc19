#pragma once

#include <QList>

class QWidget;

namespace hub {

// Tab in the order controls stand on screen where it differs from the order they were made.
namespace TabOrder {

// Tab goes through `widgets` in this order.
void chain(const QList<QWidget*>& widgets);
// `next` comes right after the last widget inside `container`.
void after(QWidget* container, QWidget* next);

} // namespace TabOrder

} // namespace hub
