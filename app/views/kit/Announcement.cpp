#include "app/views/kit/Announcement.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace hub::Announcement {

namespace {

constexpr const char* alertProperty = "hubAnnouncement";

QAccessibleInterface* alertFactory(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget || !widget->property(alertProperty).toBool())
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::AlertMessage);
}

} // namespace

void mark(QWidget* widget)
{
    static bool installed = false; // main thread only
    if (!installed) {
        QAccessible::installFactory(alertFactory);
        installed = true;
    }
    widget->setProperty(alertProperty, true);
}

} // namespace hub::Announcement
