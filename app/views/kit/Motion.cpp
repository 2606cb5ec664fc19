#include "app/views/kit/Motion.h"

#include "app/platform/DesktopAnimations.h"

#include <QCoreApplication>
#include <QPointer>

namespace hub::Motion {

namespace {

std::optional<bool>& fixed()
{
    static std::optional<bool> on;
    return on;
}

QPointer<DesktopAnimations>& desktop()
{
    static QPointer<DesktopAnimations> followed;
    return followed;
}

} // namespace

bool enabled()
{
    if (fixed())
        return *fixed();
    if (qEnvironmentVariableIsSet("TAVREN_HUB_REDUCE_MOTION"))
        return qgetenv("TAVREN_HUB_REDUCE_MOTION") == "0";
    return !desktop() || desktop()->enabled();
}

void setEnabled(std::optional<bool> on) { fixed() = on; }

void followDesktop()
{
    if (!desktop())
        desktop() = new DesktopAnimations(QDBusConnection::sessionBus(), QCoreApplication::instance());
}

QVariantAnimation* animate(QObject* owner, const QVariant& from, const QVariant& to, int ms,
    QEasingCurve curve, std::function<void(const QVariant&)> step)
{
    if (!enabled()) {
        step(to);
        return nullptr;
    }
    auto* animation = new QVariantAnimation(owner);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->setDuration(ms);
    animation->setEasingCurve(curve);
    QObject::connect(animation, &QVariantAnimation::valueChanged, owner, std::move(step));
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    return animation;
}

} // namespace hub::Motion
