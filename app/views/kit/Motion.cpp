#include "app/views/kit/Motion.h"

#include <QProcessEnvironment>

namespace hub::Motion {

namespace {

bool& flag()
{
    static bool on = !qEnvironmentVariableIsSet("TAVREN_HUB_REDUCE_MOTION");
    return on;
}

} // namespace

bool enabled() { return flag(); }
void setEnabled(bool on) { flag() = on; }

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
