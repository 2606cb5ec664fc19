#include "app/views/kit/HubStyle.h"

#include "app/views/kit/ButtonLook.h"
#include "app/views/kit/StylePaint.h"
#include "app/views/kit/StyleRole.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

namespace hub {

using namespace Theme;
using namespace StylePaint;

namespace {

// A tab's margin, bottom border and padding around its text.
constexpr QMargins tabMargin{2, 0, 2, 0};
constexpr QMargins tabPadding{16, 6, 16, 8};
constexpr int tabLine = 2;

constexpr QMargins tagPadding{6, 1, 6, 1};

// Text entry: the border and padding around a field's text.
constexpr QMargins fieldInset{9, 4, 9, 4};
constexpr int plainFieldInset = 5;
constexpr int indicatorSide = 14; // 12 inside its 1px border

// The arrow of a tool button's menu, inside the button's 1px edge.
constexpr int menuArrow = 13;

// A pop-up button (a combo box that is not editable): a regular button's look with
// the menu's arrow inside its trailing padding.
constexpr QMargins popUpPadding{12, 4, 8 + menuArrow + 6, 4};

const QStyleOptionComboBox* popUpButton(const QStyleOption* option)
{
    const auto* box = qstyleoption_cast<const QStyleOptionComboBox*>(option);
    return box && !box->editable ? box : nullptr;
}

constexpr int scrollBarExtent = 10;
constexpr int handleMargin = 2;
constexpr int handleMinimum = 32 + 2 * handleMargin;

// What polishing changed on a widget, kept to give back when it is unpolished.
void keep(QWidget* widget, const char* key, const QVariant& value)
{
    if (!widget->property(key).isValid())
        widget->setProperty(key, value);
}

QVariant takeBack(QWidget* widget, const char* key)
{
    const QVariant value = widget->property(key);
    if (value.isValid())
        widget->setProperty(key, QVariant());
    return value;
}

constexpr const char* keptWeight = "_hub_weight";
constexpr const char* keptPalette = "_hub_palette";
constexpr const char* keptFill = "_hub_fill";
constexpr const char* keptFrame = "_hub_frame";

void clearFill(QWidget* widget)
{
    if (!widget || !widget->autoFillBackground())
        return;
    keep(widget, keptFill, true);
    widget->setAutoFillBackground(false);
}

void restoreFill(QWidget* widget)
{
    if (widget && takeBack(widget, keptFill).isValid())
        widget->setAutoFillBackground(true);
}

// The content of a scroll area that shows what is under it.
bool insideClearArea(const QWidget* widget)
{
    const QWidget* viewport = widget->parentWidget();
    const auto* area = viewport ? qobject_cast<const QScrollArea*>(viewport->parentWidget()) : nullptr;
    return area && area->viewport() == viewport && hasStyleRole(area, StyleRole::clear);
}

// Frames whose role pads their contents.
bool padded(const QWidget* widget)
{
    const StyleRole role = styleRole(widget);
    return (role == StyleRole::tag && qobject_cast<const QLabel*>(widget)) || (role == StyleRole::field && qobject_cast<const QPlainTextEdit*>(widget));
}

bool inTabWidget(const QWidget* widget)
{
    return qobject_cast<const QTabWidget*>(widget) || (widget && qobject_cast<const QTabWidget*>(widget->parentWidget()));
}

} // namespace

HubStyle::HubStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void HubStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    const StyleRole role = styleRole(widget);
    if (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QScrollBar*>(widget) || qobject_cast<QTabBar*>(widget)
        || qobject_cast<QComboBox*>(widget))
        widget->setAttribute(Qt::WA_Hover);
    if (qobject_cast<QPushButton*>(widget) && role == StyleRole::prominent && widget->font().weight() != QFont::DemiBold) {
        keep(widget, keptWeight, int(widget->font().weight()));
        QFont font = widget->font();
        font.setWeight(QFont::DemiBold);
        widget->setFont(font);
    }
    if (role == StyleRole::tag)
        widget->setAttribute(Qt::WA_StyledBackground);
    // A page's scroll view is no Tab stop: it would show no focus; the controls in it are the stops.
    if (qobject_cast<QScrollArea*>(widget))
        widget->setFocusPolicy(Qt::NoFocus);
    if (padded(widget)) {
        keep(widget, keptFrame, true);
        auto* frame = static_cast<QFrame*>(widget);
        frame->setFrameStyle(frame->frameStyle());
    }
    if (role == StyleRole::field && qobject_cast<QLineEdit*>(widget)) {
        keep(widget, keptPalette, widget->palette());
        QPalette palette = widget->palette();
        palette.setColor(QPalette::PlaceholderText, tint(128 / 255.0));
        widget->setPalette(palette);
    }
    if (auto* area = qobject_cast<QScrollArea*>(widget); area && role == StyleRole::clear) {
        clearFill(area->viewport());
        clearFill(area->widget());
    }
    if (insideClearArea(widget))
        clearFill(widget);
}

void HubStyle::unpolish(QWidget* widget)
{
    if (const QVariant weight = takeBack(widget, keptWeight); weight.isValid()) {
        QFont font = widget->font();
        font.setWeight(QFont::Weight(weight.toInt()));
        widget->setFont(font);
    }
    if (const QVariant palette = takeBack(widget, keptPalette); palette.isValid())
        widget->setPalette(palette.value<QPalette>());
    if (takeBack(widget, keptFrame).isValid()) {
        auto* frame = static_cast<QFrame*>(widget);
        frame->setFrameStyle(frame->frameStyle());
    }
    restoreFill(widget);
    if (auto* area = qobject_cast<QScrollArea*>(widget)) {
        restoreFill(area->viewport());
        restoreFill(area->widget());
    }
    QProxyStyle::unpolish(widget);
}

void HubStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    switch (element) {
    case PE_Widget:
        switch (styleRole(widget)) {
        case StyleRole::card: fillRounded(painter, option->rect, 12, tint(0.05)); return;
        case StyleRole::track: fillRounded(painter, option->rect, 6, QColor(44, 44, 50)); return;
        case StyleRole::tag: fillRounded(painter, option->rect, 8, tint(0.10)); return;
        case StyleRole::material: painter->fillRect(option->rect, materialBackground()); return;
        default: break;
        }
        break;
    case PE_PanelLineEdit:
        if (hasStyleRole(widget, StyleRole::field)) {
            const QColor border = option->state & State_HasFocus ? accent() : QColor(74, 74, 82);
            drawBox(painter, option->rect, 5, border, QColor(24, 24, 28));
            return;
        }
        break;
    case PE_IndicatorCheckBox:
        if (hasStyleRole(widget, StyleRole::field)) {
            const bool checked = option->state & State_On;
            drawBox(painter, option->rect, 3, checked ? accent() : secondary(), checked ? accent() : QColor());
            return;
        }
        break;
    case PE_FrameFocusRect:
        drawFocusRing(painter, option, widget, option->rect, 6, option->state & State_Selected);
        return;
    case PE_FrameTabWidget:
        if (inTabWidget(widget)) {
            painter->fillRect(QRect(option->rect.left(), option->rect.top(), option->rect.width(), 1), tint(0.05));
            return;
        }
        break;
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void HubStyle::drawButtonLabel(const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    const ButtonLook look = ButtonLook::of(option, widget);
    QStyleOptionButton label(*button);
    label.rect = option->rect.marginsRemoved(look.padding);
    label.palette.setBrush(QPalette::ButtonText, look.text);
    painter->save();
    if (look.bold || look.underline) {
        QFont font = painter->font();
        if (look.bold)
            font.setWeight(QFont::DemiBold);
        font.setUnderline(look.underline);
        painter->setFont(font);
    }
    if (!look.leading) {
        QCommonStyle::drawControl(CE_PushButtonLabel, &label, painter, widget);
        painter->restore();
        return;
    }
    // On the leading edge: the icon there, the text after it.
    QRect textRect = label.rect;
    int flags = Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic;
    if (!proxy()->styleHint(SH_UnderlineShortcut, &label, widget))
        flags |= Qt::TextHideMnemonic;
    if (!label.icon.isNull()) {
        const QIcon::Mode mode = !(label.state & State_Enabled) ? QIcon::Disabled
            : label.state & State_HasFocus                        ? QIcon::Active
                                                                  : QIcon::Normal;
        const QPixmap pixmap = label.icon.pixmap(label.iconSize, painter->device()->devicePixelRatio(), mode,
            label.state & State_On ? QIcon::On : QIcon::Off);
        const QSize side = pixmap.deviceIndependentSize().toSize();
        const QRect iconRect = visualRect(label.direction, textRect,
            QRect(textRect.x(), textRect.y() + (textRect.height() - side.height()) / 2, side.width(), side.height()));
        if (label.direction == Qt::RightToLeft)
            textRect.setRight(iconRect.left() - 4);
        else
            textRect.setLeft(iconRect.right() + 1 + 4);
        painter->drawPixmap(iconRect, pixmap);
    }
    if (label.features & QStyleOptionButton::HasMenu) {
        const int indicator = proxy()->pixelMetric(PM_MenuButtonIndicator, &label, widget);
        textRect.adjust(label.direction == Qt::LeftToRight ? 0 : indicator, 0, label.direction == Qt::LeftToRight ? -indicator : 0, 0);
    }
    proxy()->drawItemText(painter, textRect, flags, label.palette, label.state & State_Enabled, label.text, QPalette::ButtonText);
    painter->restore();
}

void HubStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    switch (element) {
    case CE_PushButton:
        proxy()->drawControl(CE_PushButtonBevel, option, painter, widget);
        proxy()->drawControl(CE_PushButtonLabel, option, painter, widget);
        // An overlay link's focus is drawn by the card it lies on.
        if ((option->state & State_HasFocus) && !hasStyleRole(widget, StyleRole::overlayLink)) {
            const ButtonLook look = ButtonLook::of(option, widget);
            drawFocusRing(painter, option, widget, option->rect, look.radius, look.accented);
        }
        return;
    case CE_PushButtonBevel: {
        const ButtonLook look = ButtonLook::of(option, widget);
        fillRounded(painter, option->rect, look.radius, look.fill);
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        if (button && (button->features & QStyleOptionButton::HasMenu)) {
            const int side = proxy()->pixelMetric(PM_MenuButtonIndicator, option, widget);
            QStyleOptionButton arrow(*button);
            arrow.rect = alignedRect(option->direction, Qt::AlignRight | Qt::AlignVCenter, QSize(side, side),
                option->rect.marginsRemoved(look.padding));
            QProxyStyle::drawPrimitive(PE_IndicatorArrowDown, &arrow, painter, widget);
        }
        return;
    }
    case CE_PushButtonLabel:
        drawButtonLabel(option, painter, widget);
        return;
    case CE_CheckBox:
        if (hasStyleRole(widget, StyleRole::field)) {
            QCommonStyle::drawControl(element, option, painter, widget);
            return;
        }
        break;
    case CE_ShapedFrame:
        if (hasStyleRole(widget, StyleRole::field) && qobject_cast<const QPlainTextEdit*>(widget)) {
            drawBox(painter, option->rect, 6, tint(0.15));
            return;
        }
        break;
    case CE_TabBarTabShape:
        if (const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option)) {
            if (tab->state & State_Selected) {
                const QRect box = option->rect.marginsRemoved(tabMargin);
                painter->fillRect(QRect(box.left(), box.bottom() - tabLine + 1, box.width(), tabLine), accent());
            }
            return;
        }
        break;
    case CE_TabBarTabLabel:
        if (const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option)) {
            QStyleOptionTab label(*tab);
            label.rect = option->rect.marginsRemoved(tabMargin).marginsRemoved(tabPadding);
            const bool lit = option->state & (State_Selected | State_MouseOver);
            label.palette.setBrush(QPalette::WindowText, lit ? primary() : secondary());
            QCommonStyle::drawControl(element, &label, painter, widget);
            return;
        }
        break;
    default:
        break;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void HubStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const
{
    switch (control) {
    case CC_ScrollBar:
        drawScrollBar(option, painter, widget);
        return;
    case CC_ComboBox:
        if (popUpButton(option)) {
            const ButtonLook look = ButtonLook::of(option, widget);
            fillRounded(painter, option->rect, look.radius, look.fill);
            QStyleOption arrow(*option);
            arrow.rect = proxy()->subControlRect(control, option, SC_ComboBoxArrow, widget);
            QProxyStyle::drawPrimitive(PE_IndicatorArrowDown, &arrow, painter, widget);
            if (option->state & State_HasFocus) {
                QStyleOptionFocusRect focus;
                focus.QStyleOption::operator=(*option);
                proxy()->drawPrimitive(PE_FrameFocusRect, &focus, painter, widget);
            }
            return;
        }
        break;
    case CC_ToolButton:
        if (const auto* tool = qstyleoption_cast<const QStyleOptionToolButton*>(option)) {
            // Drawn without the focus, then ringed whole when it has it.
            QStyleOptionToolButton button(*tool);
            button.state &= ~State_HasFocus;
            const StyleRole role = styleRole(widget);
            if (role == StyleRole::symbol) {
                // The symbol alone: no panel, no menu arrow.
                button.features &= ~QStyleOptionToolButton::HasMenu;
                proxy()->drawControl(CE_ToolButtonLabel, &button, painter, widget);
            } else if (role == StyleRole::menu) {
                // The menu's arrow on the middle of the trailing edge, not under the baseline.
                button.features &= ~QStyleOptionToolButton::HasMenu;
                QProxyStyle::drawComplexControl(control, &button, painter, widget);
                if (tool->features & QStyleOptionToolButton::HasMenu) {
                    QStyleOptionToolButton arrow(*tool);
                    arrow.rect = alignedRect(option->direction, Qt::AlignRight | Qt::AlignVCenter, QSize(menuArrow, menuArrow),
                        option->rect.adjusted(1, 1, -1, -1));
                    QProxyStyle::drawPrimitive(PE_IndicatorArrowDown, &arrow, painter, widget);
                }
            } else {
                QProxyStyle::drawComplexControl(control, &button, painter, widget);
            }
            if (tool->state & State_HasFocus)
                drawFocusRing(painter, option, widget, option->rect, role == StyleRole::symbol ? option->rect.height() / 2.0 : 6, false);
            return;
        }
        break;
    default:
        break;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

QSize HubStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents, const QWidget* widget) const
{
    switch (type) {
    case CT_PushButton: {
        // The contents and the padding, without a minimum width. A dialog's button can
        // become its default, drawn in bold: it keeps room for its text in bold.
        QSize size = contents.grownBy(ButtonLook::of(option, widget).padding);
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        const auto defaults = QStyleOptionButton::DefaultButton | QStyleOptionButton::AutoDefaultButton;
        if (button && widget && (button->features & defaults) && widget->font().weight() < QFont::DemiBold) {
            QFont bold = widget->font();
            bold.setWeight(QFont::DemiBold);
            const int regular = button->fontMetrics.size(Qt::TextShowMnemonic, button->text).width();
            size.rwidth() += std::max(0, QFontMetrics(bold).size(Qt::TextShowMnemonic, button->text).width() - regular);
        }
        return size;
    }
    case CT_ToolButton:
        // A 3px margin around the contents (the symbol alone: room for the focus ring); the
        // menu button adds its 1px edge and room for the arrow on the right.
        switch (styleRole(widget)) {
        case StyleRole::symbol: return contents + QSize(7, 7);
        case StyleRole::menu: return contents + QSize(3 + 2 + 14, 3 + 2);
        default: break;
        }
        break;
    case CT_LineEdit:
        if (hasStyleRole(widget, StyleRole::field))
            return contents.grownBy(fieldInset);
        break;
    case CT_ComboBox:
        if (popUpButton(option))
            return QSize(contents.width(), std::max(contents.height(), menuArrow)).grownBy(popUpPadding);
        break;
    case CT_CheckBox:
        if (hasStyleRole(widget, StyleRole::field)) {
            const int spacing = proxy()->pixelMetric(PM_CheckBoxLabelSpacing, option, widget);
            return QSize(contents.width() + indicatorSide + spacing, std::max(contents.height(), indicatorSide));
        }
        break;
    case CT_TabBarTab:
        if (const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option)) {
            const int icon = tab->icon.isNull() ? 0 : 12;
            return (contents + QSize(icon, 0)).grownBy(tabMargin).grownBy(tabPadding);
        }
        break;
    default:
        break;
    }
    return QProxyStyle::sizeFromContents(type, option, contents, widget);
}

int HubStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_ScrollBarExtent:
        return scrollBarExtent;
    case PM_ScrollBarSliderMin:
        return handleMinimum;
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
        if (hasStyleRole(widget, StyleRole::field))
            return indicatorSide;
        break;
    case PM_TabBarTabHSpace:
    case PM_TabBarTabVSpace:
    case PM_TabBarTabShiftHorizontal:
    case PM_TabBarTabShiftVertical:
        if (qobject_cast<const QTabBar*>(widget))
            return 0;
        break;
    case PM_TabBarBaseOverlap:
        if (inTabWidget(widget))
            return 0;
        break;
    default:
        break;
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

int HubStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* returned) const
{
    if (hint == SH_TabBar_Alignment && qobject_cast<const QTabWidget*>(widget))
        return Qt::AlignHCenter;
    // Text buttons only: the platform theme's pictures on OK and Close do not suit the look.
    if (hint == SH_DialogButtonBox_ButtonsHaveIcons)
        return 0;
    // Disabled text is dimmed only: Fusion's etched shadow reads as bold on the dark look.
    if (hint == SH_EtchDisabledText)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, returned);
}

QRect HubStyle::subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const
{
    switch (element) {
    case SE_PushButtonContents:
        return option->rect.marginsRemoved(ButtonLook::of(option, widget).padding);
    case SE_PushButtonFocusRect:
        return option->rect;
    case SE_LineEditContents:
        if (hasStyleRole(widget, StyleRole::field))
            return option->rect.marginsRemoved(fieldInset);
        break;
    case SE_ShapedFrameContents:
    case SE_FrameContents:
        if (padded(widget)) {
            if (qobject_cast<const QLabel*>(widget))
                return option->rect.marginsRemoved(tagPadding);
            return option->rect.adjusted(plainFieldInset, plainFieldInset, -plainFieldInset, -plainFieldInset);
        }
        break;
    case SE_CheckBoxIndicator:
    case SE_CheckBoxFocusRect:
        if (hasStyleRole(widget, StyleRole::field))
            return QCommonStyle::subElementRect(element, option, widget);
        break;
    case SE_CheckBoxContents:
        if (hasStyleRole(widget, StyleRole::field))
            return QCommonStyle::subElementRect(element, option, widget).adjusted(1, 0, 0, 0);
        break;
    case SE_TabWidgetTabBar:
        // Centred, and never wider than the tab widget.
        if (inTabWidget(widget))
            return QCommonStyle::subElementRect(element, option, widget).intersected(option->rect);
        break;
    case SE_TabWidgetTabPane:
        if (inTabWidget(widget))
            return QCommonStyle::subElementRect(element, option, widget);
        break;
    case SE_TabWidgetTabContents:
        if (inTabWidget(widget))
            return QCommonStyle::subElementRect(SE_TabWidgetTabPane, option, widget).adjusted(0, 1, 0, 0);
        break;
    default:
        break;
    }
    return QProxyStyle::subElementRect(element, option, widget);
}

QRect HubStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part, const QWidget* widget) const
{
    if (control == CC_ScrollBar)
        return scrollBarRect(option, part, widget);
    if (control == CC_ComboBox && popUpButton(option)) {
        const QRect rect = option->rect;
        switch (part) {
        case SC_ComboBoxFrame:
            return rect;
        case SC_ComboBoxEditField:
            return visualRect(option->direction, rect, rect.marginsRemoved(popUpPadding));
        case SC_ComboBoxArrow:
            return alignedRect(option->direction, Qt::AlignRight | Qt::AlignVCenter, QSize(menuArrow, menuArrow),
                rect.adjusted(0, 0, -8, 0));
        default:
            break;
        }
    }
    return QProxyStyle::subControlRect(control, option, part, widget);
}

// A scroll bar is its handle alone: no arrows, no groove.
QRect HubStyle::scrollBarRect(const QStyleOptionComplex* option, SubControl part, const QWidget*) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (!bar)
        return {};
    const QRect groove = option->rect;
    const bool horizontal = bar->orientation == Qt::Horizontal;
    switch (part) {
    case SC_ScrollBarSubLine:
        return visualRect(option->direction, groove, QRect(groove.topLeft(), QSize(0, 0)));
    case SC_ScrollBarAddLine:
        return visualRect(option->direction, groove, QRect(groove.bottomRight() + QPoint(1, 1), QSize(0, 0)));
    case SC_ScrollBarGroove:
        return groove;
    case SC_ScrollBarSlider:
    case SC_ScrollBarSubPage:
    case SC_ScrollBarAddPage: {
        const int length = horizontal ? groove.width() : groove.height();
        int handle = length;
        if (bar->maximum != bar->minimum) {
            const qint64 range = qint64(bar->maximum) - bar->minimum;
            handle = int(qint64(bar->pageStep) * length / (range + bar->pageStep));
            if (handle < handleMinimum || range > INT_MAX / 2)
                handle = handleMinimum;
            handle = std::min(handle, length);
        }
        const int start = (horizontal ? groove.left() : groove.top())
            + sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition, length - handle, bar->upsideDown);
        const QRect slider = horizontal ? QRect(start, groove.top(), handle, groove.height()) : QRect(groove.left(), start, groove.width(), handle);
        QRect rect = slider;
        if (part == SC_ScrollBarSubPage)
            rect = horizontal ? QRect(groove.topLeft(), slider.bottomLeft() - QPoint(1, 0)) : QRect(groove.topLeft(), slider.topRight() - QPoint(0, 1));
        else if (part == SC_ScrollBarAddPage)
            rect = horizontal ? QRect(slider.topRight() + QPoint(1, 0), groove.bottomRight()) : QRect(slider.bottomLeft() + QPoint(0, 1), groove.bottomRight());
        return visualRect(option->direction, groove, rect);
    }
    default:
        return {};
    }
}

void HubStyle::drawScrollBar(const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const
{
    const QRect handle = scrollBarRect(option, SC_ScrollBarSlider, widget).adjusted(handleMargin, handleMargin, -handleMargin, -handleMargin);
    const bool lit = (option->activeSubControls & SC_ScrollBarSlider) && (option->state & (State_MouseOver | State_Sunken));
    fillRounded(painter, handle, 3, tint(lit ? 0.45 : 0.28));
}

QIcon HubStyle::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const
{
    const auto symbol = [widget](const QString& name) {
        const double ratio = widget ? widget->devicePixelRatioF() : qApp->devicePixelRatio();
        return QIcon(Symbols::pixmap(name, 12, secondary(), ratio));
    };
    switch (icon) {
    case SP_LineEditClearButton:
        return symbol(QStringLiteral("xmark"));
    case SP_ToolBarHorizontalExtensionButton:
    case SP_ToolBarVerticalExtensionButton:
        return symbol(QStringLiteral("chevron.right"));
    default:
        return QProxyStyle::standardIcon(icon, option, widget);
    }
}

} // namespace hub
