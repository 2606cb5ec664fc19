#include "app/views/kit/LaunchSplash.h"

#include "app/views/kit/Accessibility.h"
#include "app/views/kit/Artwork.h"
#include "app/views/kit/Motion.h"
#include "app/views/kit/SplashTimeline.h"
#include "app/views/kit/Theme.h"

#include <QApplication>
#include <QConicalGradient>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QRadialGradient>
#include <QTimer>
#include <QVariantAnimation>
#include <algorithm>

namespace hub {

namespace {

int ms(double seconds) { return int(seconds * 1000); }

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

} // namespace

LaunchSplash::LaunchSplash(std::function<void()> finished, std::optional<double> frozen, QWidget* parent)
    : QWidget(parent), finished_(std::move(finished)), frozen_(frozen), reduceMotion_(!Motion::enabled())
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    Accessibility::hide(this); // the brand screen says nothing the window does not
    start_.start();
}

LaunchSplash::~LaunchSplash()
{
    removeMonitor();
}

double LaunchSplash::progress() const
{
    return SplashTimeline::progress(frozen_, reduceMotion_, started_ ? start_.elapsed() / 1000.0 : 0.0);
}

void LaunchSplash::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (holding_ || frozen_)
        return;
    holding_ = true;
    qApp->installEventFilter(this);
    monitoring_ = true;
    Motion::onChange(this, [this] { followMotion(); });
    if (Motion::settled())
        hold();
    else
        QTimer::singleShot(ms(SplashTimeline::desktopWaitSeconds), this, &LaunchSplash::hold);
}

void LaunchSplash::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Taken off the screen during its hold: the hold ends now, the fade still runs.
    if (holding_)
        leave();
}

void LaunchSplash::hold()
{
    if (started_ || leaving_)
        return;
    started_ = true;
    reduceMotion_ = !Motion::enabled();
    start_.restart();
    if (!reduceMotion_) {
        timeline_ = new QVariantAnimation(this);
        timeline_->setStartValue(0.0);
        timeline_->setEndValue(1.0);
        timeline_->setDuration(ms(SplashTimeline::holdSeconds));
        connect(timeline_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
        timeline_->start();
    }
    holdTimer_ = new QTimer(this);
    holdTimer_->setSingleShot(true);
    connect(holdTimer_, &QTimer::timeout, this, &LaunchSplash::leave);
    holdTimer_->start(ms(reduceMotion_ ? SplashTimeline::reducedHoldSeconds : SplashTimeline::holdSeconds));
}

void LaunchSplash::followMotion()
{
    if (!started_) {
        if (Motion::settled())
            hold();
        return;
    }
    if (leaving_ || reduceMotion_ || Motion::enabled())
        return;
    // Reduced motion asked for while the glows drift: the still frame, and its shorter hold.
    reduceMotion_ = true;
    delete timeline_;
    timeline_ = nullptr;
    holdTimer_->start(std::min(holdTimer_->remainingTime(), ms(SplashTimeline::reducedHoldSeconds)));
    update();
}

void LaunchSplash::leave()
{
    if (leaving_)
        return;
    removeMonitor();
    leaving_ = true;
    if (holdTimer_)
        holdTimer_->stop();
    const double fade = reduceMotion_ ? SplashTimeline::reducedFadeSeconds : SplashTimeline::fadeSeconds;
    const double zoom = reduceMotion_ ? 1.0 : SplashTimeline::leavingScale;
    QPointer<LaunchSplash> self(this);
    auto* animation = new QVariantAnimation(this);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setDuration(ms(fade));
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(animation, &QVariantAnimation::valueChanged, this, [this, zoom](const QVariant& value) {
        const double k = value.toDouble();
        opacity_ = 1.0 - k;
        scale_ = 1.0 + (zoom - 1.0) * k;
        update();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    QTimer::singleShot(ms(fade), this, [self] {
        if (self && self->finished_)
            self->finished_();
    });
}

void LaunchSplash::removeMonitor()
{
    if (!monitoring_)
        return;
    qApp->removeEventFilter(this);
    monitoring_ = false;
}

bool LaunchSplash::eventFilter(QObject* watched, QEvent* event)
{
    if (monitoring_ && event->type() == QEvent::KeyPress) {
        leave();
        return true; // the key that dismisses the splash goes nowhere else
    }
    return QWidget::eventFilter(watched, event);
}

void LaunchSplash::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    if (!frozen_)
        leave();
}

void LaunchSplash::paintEvent(QPaintEvent*)
{
    // The six layers are flattened into one image, then drawn with the fade and zoom.
    const qreal ratio = devicePixelRatioF();
    QImage layer((QSizeF(size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    {
        QPainter painter(&layer);
        paintFrame(painter, QRectF(QPointF(0, 0), QSizeF(size())), progress());
    }
    QPainter painter(this);
    painter.setOpacity(opacity_);
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(scale_, scale_);
    painter.translate(-centre);
    painter.drawImage(QPointF(0, 0), layer);
}

void LaunchSplash::paintFrame(QPainter& painter, const QRectF& area, double t)
{
    const SplashTimeline::Frame frame = SplashTimeline::frame(t, area.size());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.fillRect(area, QColor::fromRgbF(0.06f, 0.04f, 0.10f));

    painter.setCompositionMode(QPainter::CompositionMode_Screen);
    for (const SplashTimeline::Glow& glow : frame.glows) {
        const double d = glow.diameter;
        QRadialGradient gradient(QPointF(0, 0), d / 2);
        gradient.setColorAt(0.0, withAlpha(glow.color, 0.95));
        gradient.setColorAt(0.5, withAlpha(glow.color, 0.4));
        gradient.setColorAt(1.0, withAlpha(glow.color, 0.0));
        painter.save();
        painter.translate(area.topLeft() + glow.centre);
        painter.rotate(glow.rotation);
        painter.scale(1.0, 0.8);
        painter.fillRect(QRectF(-d / 2, -d / 2, d, d), gradient);
        painter.restore();
    }

    QConicalGradient sweep(area.center(), -frame.sweepStart); // the painter's angles turn the other way
    sweep.setColorAt(0.0, withAlpha(Theme::violet(), 0));
    sweep.setColorAt(1.0 / 3, withAlpha(Theme::magenta(), 0.35));
    sweep.setColorAt(2.0 / 3, withAlpha(Theme::orange(), 0.25));
    sweep.setColorAt(1.0, withAlpha(Theme::violet(), 0));
    painter.setCompositionMode(QPainter::CompositionMode_Plus);
    painter.setOpacity(0.6);
    painter.fillRect(area, sweep);
    painter.setOpacity(1.0);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

    const double side = 96 * frame.markScale;
    const QRectF mark(area.center().x() - side / 2, area.center().y() - side / 2, side, side);
    painter.setOpacity(frame.markOpacity);
    QRadialGradient shadow(mark.center(), side / 2 + 30);
    shadow.setColorAt(0.0, withAlpha(Theme::magenta(), 0.6));
    shadow.setColorAt(1.0, withAlpha(Theme::magenta(), 0));
    painter.fillRect(mark.adjusted(-30, -30, 30, 30), shadow);
    Artwork::paint(painter, Artwork::mark, mark);
    painter.setOpacity(1.0);
}

} // namespace hub
