#include "app/views/kit/CrossFade.h"

#include "app/views/kit/Motion.h"

#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QVariantAnimation>

namespace hub {

CrossFade::CrossFade(QWidget* target, QPixmap before) : QWidget(target), before_(std::move(before))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(target->rect());
    target->installEventFilter(this);
    raise();
    show();
}

CrossFade* CrossFade::start(QWidget* target, int ms, QEasingCurve curve)
{
    if (!Motion::enabled() || !target->isVisible() || target->size().isEmpty())
        return nullptr;
    const QPixmap before = target->grab(); // with a running fade in it
    for (CrossFade* running : target->findChildren<CrossFade*>(Qt::FindDirectChildrenOnly))
        delete running;
    auto* fade = new CrossFade(target, before);
    QPointer<CrossFade> self(fade);
    QVariantAnimation* animation = Motion::animate(fade, 1.0, 0.0, ms, curve, [self](const QVariant& value) {
        if (!self)
            return;
        self->opacity_ = value.toDouble();
        self->update();
    });
    connect(animation, &QAbstractAnimation::finished, fade, &QObject::deleteLater);
    return fade;
}

bool CrossFade::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent()) {
        if (event->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        else if (event->type() == QEvent::ChildAdded && static_cast<QChildEvent*>(event)->child() != this)
            raise(); // over what the change brings in
    }
    return QWidget::eventFilter(watched, event);
}

void CrossFade::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setOpacity(opacity_);
    painter.drawPixmap(QPointF(0, 0), before_);
}

} // namespace hub
