#include "app/views/store/HeroCarousel.h"

#include "app/model/AppModel.h"
#include "app/model/Catalog.h"
#include "app/views/kit/ActionButton.h"
#include "app/views/kit/CrossFade.h"
#include "app/views/kit/ElidedLabel.h"
#include "app/views/kit/FocusHighlight.h"
#include "app/views/kit/IconPalette.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/ModelActions.h"
#include "app/views/kit/Motion.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/Theme.h"
#include "app/views/store/CarouselDots.h"
#include "app/views/store/CarouselPresenter.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace hub {

namespace {

constexpr int cardHeight = 280;
constexpr double radius = 18;
constexpr int iconSize = 170;

QColor white(double opacity)
{
    return QColor::fromRgbF(1, 1, 1, opacity);
}

QColor withAlpha(QColor color, double opacity)
{
    color.setAlphaF(float(opacity));
    return color;
}

} // namespace

HeroCarousel::HeroCarousel(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), tint_(Theme::accent()),
      eyebrow_(Labels::plain({}, TextStyle::caption, this, QFont::Bold)),
      name_(new QLabel(this)), tagline_(new ElidedLabel({}, TextStyle::title3, 2, this)),
      dots_(new CarouselDots([this](int at) { setIndex(at); }, this))
{
    setFixedHeight(cardHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    Labels::setColor(eyebrow_, white(0.75));
    name_->setTextFormat(Qt::PlainText);
    name_->setFont(Typography::font(34, QFont::Bold));
    Labels::setColor(name_, white(1));
    tagline_->setColor(white(0.9));
    tagline_->setMaximumWidth(420);

    // First, so that the pill comes before "Learn More" in the Tab order, as on the card.
    action_ = new ActionButton(ModelActions::of(model_), {}, true, this);
    learnMore_ = new QPushButton(QStringLiteral("Learn More"), this);
    learnMore_->setFlat(true);
    learnMore_->setCursor(Qt::PointingHandCursor);
    learnMore_->setFont(Typography::font(TextStyle::callout, QFont::DemiBold));
    Theme::setRole(learnMore_, "overlayLink");
    learnMore_->installEventFilter(this);
    connect(learnMore_, &QPushButton::clicked, this, &HeroCarousel::open);

    auto* text = new QVBoxLayout;
    text->setContentsMargins(28, 28, 28, 28);
    text->setSpacing(8);
    text->addStretch();
    text->addWidget(eyebrow_);
    text->addWidget(name_);
    text->addWidget(tagline_);
    auto* actions = new QHBoxLayout;
    actions->setContentsMargins(0, 6, 0, 0);
    actions->setSpacing(12);
    actions->addWidget(action_);
    actions->addWidget(learnMore_);
    actions->addStretch();
    text->addLayout(actions);

    auto* dotsColumn = new QVBoxLayout;
    dotsColumn->setContentsMargins(18, 18, 18, 18);
    dotsColumn->addStretch();
    dotsColumn->addWidget(dots_);

    auto* card = new QHBoxLayout(this);
    card->setContentsMargins(0, 0, 0, 0);
    card->addLayout(text, 1);
    card->addLayout(dotsColumn);

    connect(&IconPalette::of(model_), &IconPalette::colorArrived, this, [this](const QString& id) {
        if (id == shownId())
            present();
    });
    setVisible(false);
}

QString HeroCarousel::shownId() const
{
    const std::optional<int> at = CarouselPresenter::position(index_, products_.size());
    return at ? products_.at(*at).id : QString();
}

void HeroCarousel::setProducts(const QList<StorefrontProduct>& products)
{
    if (products == products_)
        return;
    products_ = products;
    present();
    setVisible(!products_.isEmpty());
}

void HeroCarousel::setIndex(qint64 index)
{
    if (index == index_)
        return;
    // The texts, the dots and the tint change together.
    CrossFade::start(this, CarouselPresenter::fadeMs);
    index_ = index;
    present();
}

QColor HeroCarousel::tint() const
{
    const std::optional<int> at = CarouselPresenter::position(index_, products_.size());
    return at ? IconPalette::of(model_).color(products_.at(*at)) : Theme::accent();
}

void HeroCarousel::present()
{
    const std::optional<int> at = CarouselPresenter::position(index_, products_.size());
    if (!at)
        return;
    const StorefrontProduct& product = products_.at(*at);
    const std::optional<CarouselPresenter::Card> card =
        CarouselPresenter::card(products_, index_, Catalog::entry(product.id).category);
    eyebrow_->setText(card->eyebrow);
    name_->setText(card->name);
    tagline_->setText(card->tagline);
    setAccessibleName(card->accessibleName);
    dots_->setDots(card->dots);
    action_->setProduct(product);

    if (icon_) {
        icon_->setProduct(product.iconUrl, product.name);
    } else {
        // Drawn turned on the card from its own rendering; shown on the card, under
        // everything, so that it loads as shown, but never painting itself there.
        icon_ = new ProductIcon(product.iconUrl, product.name, iconSize, this);
        icon_->setGeometry(0, 0, iconSize, iconSize);
        icon_->lower();
        icon_->installEventFilter(this);
        connect(icon_, &CachedImage::imageArrived, this, [this] {
            update();
            QTimer::singleShot(250, this, qOverload<>(&QWidget::update)); // after the fade-in
        });
        icon_->show();
    }

    const QColor from = tint_;
    const QColor to = tint();
    Motion::animate(this, 0.0, 1.0, CarouselPresenter::fadeMs, QEasingCurve::InOutQuad, [this, from, to](const QVariant& value) {
        const double t = value.toDouble();
        tint_ = QColor::fromRgbF(from.redF() + (to.redF() - from.redF()) * t, from.greenF() + (to.greenF() - from.greenF()) * t,
            from.blueF() + (to.blueF() - from.blueF()) * t);
        update();
    });
    update();
}

void HeroCarousel::open()
{
    const QString id = shownId();
    if (!id.isEmpty())
        model_.navigation().show(id);
}

bool HeroCarousel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == learnMore_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        update();
    if (watched == icon_ && event->type() == QEvent::Paint && !grabbingIcon_)
        return true;
    return QWidget::eventFilter(watched, event);
}

void HeroCarousel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Also after a minimized window comes back: its hide turned the index.
    present();
    if (turning_ || products_.isEmpty() || model_.services().arguments.snapshotFolder() || !model_.services().sleep)
        return;
    turning_ = true;
    turn(this, model_.services().sleep, ++run_);
}

void HeroCarousel::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (!turning_)
        return;
    // The running wait is cut short, and a cut wait still turns once; the card is
    // drawn for it when next shown (this may be the teardown of the screen).
    turning_ = false;
    ++run_;
    ++index_;
}

QCoro::Task<> HeroCarousel::turn(QPointer<HeroCarousel> self, Sleeper sleep, int run)
{
    while (true) {
        auto wait = sleep(std::chrono::milliseconds(CarouselPresenter::turnMs));
        co_await wait;
        if (!self || self->run_ != run)
            co_return;
        self->setIndex(self->index_ + 1);
    }
}

void HeroCarousel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF card = rect();
    QPainterPath clip;
    clip.addRoundedRect(card, radius, radius);
    painter.setClipPath(clip);

    QLinearGradient gradient(card.topRight(), card.bottomLeft());
    gradient.setColorAt(0, withAlpha(tint_, 0.95));
    gradient.setColorAt(0.5, withAlpha(tint_, 0.55));
    gradient.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.85));
    painter.fillPath(clip, gradient);

    if (icon_) {
        // On the trailing edge, vertically centred, moved 40 left and 10 up, turned 8° counter-clockwise.
        const QPointF centre(card.right() - iconSize / 2.0 - 40, card.center().y() - 10);
        painter.save();
        painter.translate(centre);
        painter.rotate(-8);
        grabbingIcon_ = true;
        const QPixmap picture = icon_->grab();
        grabbingIcon_ = false;
        painter.drawPixmap(QRectF(-iconSize / 2.0, -iconSize / 2.0, iconSize, iconSize), picture, QRectF(picture.rect()));
        painter.restore();
    }
    // "Learn More" opens the card as a click on it does: the card shows the keyboard's focus
    // there, as the other controls do once the keyboard moves it.
    if (learnMore_->hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange))
        FocusHighlight::paint(painter, card, radius, Theme::primary());
}

void HeroCarousel::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void HeroCarousel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        open();
}

} // namespace hub
