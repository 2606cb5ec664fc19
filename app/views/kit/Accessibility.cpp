#include "app/views/kit/Accessibility.h"

#include <QAccessibleWidget>
#include <QList>
#include <QWidget>

namespace hub::Accessibility {

namespace {

constexpr const char* hiddenProperty = "hubAccessibilityHidden";
constexpr const char* roleProperty = "hubAccessibilityRole";
constexpr const char* busyProperty = "hubAccessibilityBusy";

class HiddenWidget : public QAccessibleWidget {
public:
    explicit HiddenWidget(QWidget* widget) : QAccessibleWidget(widget, QAccessible::NoRole) {}

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = true;
        state.focusable = false;
        return state;
    }
    QString text(QAccessible::Text) const override { return {}; }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
};

// A widget of ours with the role and busy state it was given.
class MarkedWidget : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;

    QAccessible::Role role() const override
    {
        const QVariant role = widget()->property(roleProperty);
        return role.isValid() ? QAccessible::Role(role.toInt()) : QAccessibleWidget::role();
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.busy = widget()->property(busyProperty).toBool();
        return state;
    }
};

QAccessibleInterface* factory(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    if (isHidden(widget))
        return new HiddenWidget(widget);
    if (widget->property(roleProperty).isValid() || widget->property(busyProperty).isValid())
        return new MarkedWidget(widget);
    return nullptr;
}

void install()
{
    addFactory(factory);
}

} // namespace

void addFactory(QAccessible::InterfaceFactory factory)
{
    static QList<QAccessible::InterfaceFactory> added;
    if (added.contains(factory))
        return;
    added.append(factory);
    QAccessible::installFactory(factory);
}

void hide(QWidget* widget)
{
    install();
    widget->setProperty(hiddenProperty, true);
}

void setRole(QWidget* widget, QAccessible::Role role)
{
    install();
    widget->setProperty(roleProperty, int(role));
    // Naming a widget makes its interface at once, with the old role.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(widget); made && made->role() != role)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void setBusy(QWidget* widget, bool busy)
{
    install();
    if (widget->property(busyProperty).toBool() == busy && widget->property(busyProperty).isValid())
        return;
    widget->setProperty(busyProperty, busy);
    QAccessible::State changed;
    changed.busy = true;
    QAccessibleStateChangeEvent event(widget, changed);
    QAccessible::updateAccessibility(&event);
}

bool isHidden(const QWidget* widget)
{
    return widget->property(hiddenProperty).toBool();
}

} // namespace hub::Accessibility
