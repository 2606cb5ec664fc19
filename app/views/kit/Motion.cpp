#include "app/views/kit/Motion.h"

#include "app/platform/DesktopAnimations.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <utility>

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

bool& following()
{
    static bool asked = false;
    return asked;
}

// Tells whoever follows the setting that the desktop answered or changed it.
class Relay : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void changed();
};

Relay& relay()
{
    static QPointer<Relay> one;
    if (!one)
        one = new Relay(QCoreApplication::instance());
    return *one;
}

bool variableSet() { return qEnvironmentVariableIsSet("TAVREN_HUB_REDUCE_MOTION"); }

} // namespace

bool enabled()
{
    if (fixed())
        return *fixed();
    if (variableSet())
        return qgetenv("TAVREN_HUB_REDUCE_MOTION") == "0";
    return !desktop() || desktop()->enabled();
}

void setEnabled(std::optional<bool> on) { fixed() = on; }

void followDesktop()
{
    if (std::exchange(following(), true))
        return;
    QTimer::singleShot(0, QCoreApplication::instance(), [] {
        auto* animations = new DesktopAnimations(QDBusConnection::sessionBus(), QCoreApplication::instance());
        desktop() = animations;
        QObject::connect(animations, &DesktopAnimations::answered, &relay(), &Relay::changed);
        QObject::connect(animations, &DesktopAnimations::enabledChanged, &relay(), &Relay::changed);
        if (animations->hasAnswered())
            emit relay().changed();
    });
}

bool settled() { return fixed() || variableSet() || !following() || (desktop() && desktop()->hasAnswered()); }

void onChange(QObject* context, std::function<void()> changed)
{
    QObject::connect(&relay(), &Relay::changed, context, std::move(changed));
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

#include "Motion.moc"
