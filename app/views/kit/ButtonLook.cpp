#include "app/views/kit/ButtonLook.h"

#include "app/views/kit/StylePaint.h"
#include "app/views/kit/StyleRole.h"
#include "app/views/kit/Theme.h"

#include <QStyleOption>
#include <QVariant>
#include <QWidget>

namespace hub {

using namespace Theme;
using StylePaint::tint;

ButtonLook ButtonLook::of(const QStyleOption* option, const QWidget* widget)
{
    const StyleRole role = styleRole(widget);
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    const bool accented = role == StyleRole::prominent || (button && (button->features & QStyleOptionButton::DefaultButton));
    const bool link = role == StyleRole::link || role == StyleRole::overlayLink;
    const bool hovered = option->state & QStyle::State_MouseOver;
    const bool pressed = option->state & QStyle::State_Sunken;
    const bool disabled = !(option->state & QStyle::State_Enabled);
    const bool checked = option->state & QStyle::State_On;
    ButtonLook look{tint(0.10), primary()};
    if (hovered)
        look.fill = tint(0.16);
    if (pressed)
        look.fill = tint(0.22);
    if (disabled) {
        look.fill = tint(0.05);
        look.text = secondary();
    }
    if (role == StyleRole::regular)
        look.padding = {12, 4, 12, 4};
    if (accented) {
        look.fill = accent();
        look.text = Qt::white;
        look.bold = true;
        look.accented = true;
    }
    if (link) {
        look.fill = Qt::transparent;
        look.padding = role == StyleRole::link ? QMargins(5, 2, 5, 2) : QMargins(); // room for the focus ring
        look.leading = true;
        look.text = role == StyleRole::link ? accent() : QColor(Qt::white);
    }
    if (role == StyleRole::segment) {
        look.fill = tint(0.08);
        look.text = primary();
        look.padding = {12, 4, 12, 4};
    }
    if (role == StyleRole::trackSegment) {
        look.fill = Qt::transparent;
        look.text = primary();
        look.radius = 5;
        look.padding = {10, 3, 10, 3};
    }
    if (role == StyleRole::prominent) {
        const QString size = widget->property("controlSize").toString();
        if (size == u"small") {
            look.padding = {12, 4, 12, 4};
        } else if (size == u"large") {
            look.radius = 8;
            look.padding = {18, 8, 18, 8};
        }
    }

    if (role == StyleRole::regular && widget->property("leading").toBool())
        look.leading = true;
    if (role == StyleRole::regular && widget->property("destructive").toBool())
        look.text = red();
    if (accented && pressed)
        look.fill = accent().darker(125);
    if (accented && disabled) {
        look.fill = accent();
        look.fill.setAlphaF(0.45f);
        look.fill.setAlpha(look.fill.alpha());
        look.text = tint(0.55);
    }
    if (role == StyleRole::link && hovered)
        look.underline = true;
    if (role == StyleRole::link && disabled)
        look.text = secondary();
    if (role == StyleRole::segment && checked) {
        look.fill = tint(0.28);
        look.text = Qt::white;
    }
    if (role == StyleRole::trackSegment && checked)
        look.fill = QColor(92, 92, 100);
    return look;
}

} // namespace hub
