#include "app/views/kit/Accessibility.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace hub::Accessibility {

namespace {

constexpr const char* hiddenProperty = "hubAccessibilityHidden";

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

QAccessibleInterface* hiddenFactory(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    return widget && isHidden(widget) ? new HiddenWidget(widget) : nullptr;
}

} // namespace

void hide(QWidget* widget)
{
    static bool installed = false; // main thread only
    if (!installed) {
        QAccessible::installFactory(hiddenFactory);
        installed = true;
    }
    widget->setProperty(hiddenProperty, true);
}

bool isHidden(const QWidget* widget)
{
    return widget->property(hiddenProperty).toBool();
}

} // namespace hub::Accessibility
