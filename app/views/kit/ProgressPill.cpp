#include "app/views/kit/ProgressPill.h"

#include "app/views/kit/Accessibility.h"
#include "app/views/kit/FocusHighlight.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/Motion.h"
#include "app/views/kit/ProductActions.h"
#include "app/views/kit/ProgressPresenter.h"
#include "app/views/kit/Spinner.h"
#include "app/views/kit/Theme.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QToolButton>
#include <QVariantAnimation>

namespace hub {

namespace {
constexpr double pauseSide = 7;
constexpr int ringGap = 3; // the focus ring around the progress ring

// A progress bar named by the stage, its value the percentage downloaded (none while the ring spins).
class AccessibleProgress : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleProgress(ProgressPill* pill) : QAccessibleWidget(pill, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text kind) const override
    {
        const std::optional<int> percent = pill()->percent();
        if (kind == QAccessible::Value)
            return percent ? QStringLiteral("%1%").arg(*percent) : QString();
        return QAccessibleWidget::text(kind);
    }
    QVariant currentValue() const override { return pill()->percent().value_or(0); }
    void setCurrentValue(const QVariant&) override {}
    // An indeterminate bar runs from 0 to 0.
    QVariant maximumValue() const override { return pill()->percent() ? 100 : 0; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    const ProgressPill* pill() const { return static_cast<const ProgressPill*>(widget()); }
};

QAccessibleInterface* accessibleProgress(const QString&, QObject* object)
{
    auto* pill = qobject_cast<ProgressPill*>(object);
    return pill ? new AccessibleProgress(pill) : nullptr;
}

} // namespace

ProgressPill::ProgressPill(ProductActions& actions, const QString& productId, const QString& productName, bool large,
    QWidget* parent)
    : QWidget(parent), actions_(actions), productId_(productId), ring_(new QToolButton(this)),
      spinner_(new Spinner(ProgressPresenter::ringSize(large) - 6, ring_))
{
    Accessibility::addFactory(accessibleProgress);
    const int side = ProgressPresenter::ringSize(large) + 2 * ringGap;
    ring_->setFixedSize(side, side);
    ring_->installEventFilter(this);
    // The pause control: a button Tab reaches and Space presses. For assistive
    // technology the pill is a progress bar named by its caption, with this button inside.
    ring_->setToolTip(QStringLiteral("Pause"));
    ring_->setAccessibleName(QStringLiteral("Pause"));
    ring_->setAccessibleDescription(productName);
    ring_->setFocusPolicy(Qt::TabFocus);
    ring_->setCursor(Qt::PointingHandCursor);
    connect(ring_, &QToolButton::clicked, this, [this] { actions_.pause(productId_); });
    spinner_->move(ringGap + 3, ringGap + 3);
    spinner_->setAttribute(Qt::WA_TransparentForMouseEvents);
    Accessibility::hide(spinner_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(ring_);
    if (large) {
        caption_ = Labels::secondary(Labels::plain({}, TextStyle::caption, this));
        Accessibility::hide(caption_);
        row->addWidget(caption_);
    }
    connect(&actions_, &ProductActions::changed, this, &ProgressPill::read);
    connect(&actions_, &ProductActions::progressed, this, [this](const QString& id) {
        if (id != productId_)
            return;
        ++ticks_;
        read();
    });
    read();
}

void ProgressPill::read()
{
    const std::optional<InstallStage> stage = actions_.jobStage(productId_);
    const InstallStage shown = stage.value_or(InstallStage::queued());
    const std::optional<double> fraction = ProgressPresenter::fraction(shown);
    const QString caption = ProgressPresenter::caption(shown);
    // Named again only when the words change; a job that ended keeps its last name.
    const QString name = caption.isEmpty() ? ProgressPresenter::line(shown, std::nullopt).text : caption;
    if ((stage || accessibleName().isEmpty()) && name != accessibleName())
        setAccessibleName(name);
    if (caption_ && caption_->text() != caption)
        caption_->setText(caption);
    spinner_->setVisible(!fraction);
    if (fraction == fraction_)
        return;
    const std::optional<int> before = percent();
    fraction_ = fraction;
    if (const std::optional<int> now = percent(); now != before) {
        QAccessibleValueChangeEvent event(this, now.value_or(0));
        QAccessible::updateAccessibility(&event);
    }
    if (!fraction || !Motion::enabled()) {
        drawn_ = fraction.value_or(0);
        ring_->update();
        return;
    }
    if (!sweep_) {
        sweep_ = new QVariantAnimation(this);
        sweep_->setDuration(200);
        connect(sweep_, &QVariantAnimation::valueChanged, ring_, [this](const QVariant& value) {
            drawn_ = value.toDouble();
            ring_->update();
        });
    }
    sweep_->stop();
    sweep_->setStartValue(drawn_);
    sweep_->setEndValue(*fraction);
    sweep_->start();
}

bool ProgressPill::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ring_ && event->type() == QEvent::Paint) {
        paintRing(ring_);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ProgressPill::paintRing(QToolButton* ring)
{
    QPainter painter(ring);
    painter.setRenderHint(QPainter::Antialiasing);
    const double inset = ringGap + 1.5;
    const QRectF bounds = QRectF(ring->rect()).adjusted(inset, inset, -inset, -inset);
    if (ring->hasFocus()) // reached by Tab
        FocusHighlight::paint(painter, ring->rect(), ring->height() / 2.0, Theme::accent());
    painter.setPen(QPen(Theme::primary(0.12), 3));
    painter.drawEllipse(bounds);
    if (fraction_) {
        painter.setPen(QPen(Theme::accent(), 3, Qt::SolidLine, Qt::RoundCap));
        // From the top, clockwise.
        painter.drawArc(bounds, 90 * 16, -int(drawn_ * 360 * 16));
    }
    const QPointF centre = QRectF(ring->rect()).center();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::accent());
    painter.drawRoundedRect(QRectF(centre.x() - pauseSide / 2, centre.y() - pauseSide / 2, pauseSide, pauseSide), 1.5, 1.5);
}

} // namespace hub
