#include "app/views/kit/CachedImage.h"

#include "app/views/kit/Motion.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QFuture>
#include <QLoggingCategory>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QtConcurrent>

namespace hub {

namespace {

// Each image a view asked for, decoded, kept or not (debug, off unless enabled).
Q_LOGGING_CATEGORY(imageLog, "com.tavren.hub.images", QtInfoMsg)

// The scroll area whose viewport `widget` is, if any.
QAbstractScrollArea* areaOf(QWidget* widget)
{
    auto* area = qobject_cast<QAbstractScrollArea*>(widget->parentWidget());
    return area && area->viewport() == widget ? area : nullptr;
}

} // namespace

CachedImage::CachedImage(const QUrl& url, int maxPixels, Placeholder placeholder, QWidget* parent)
    : QWidget(parent), url_(url), maxPixels_(maxPixels), placeholder_(std::move(placeholder))
{
}

void CachedImage::setUrl(const QUrl& url)
{
    if (url == url_)
        return;
    url_ = url;
    // The old picture goes; the placeholder returns unless the new one is kept.
    leave();
    place();
}

void CachedImage::setCornerRadius(double radius)
{
    cornerRadius_ = radius;
    update();
}

void CachedImage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Scrolling any area this view is in may bring it within reach or take it far away.
    for (QWidget* up = parentWidget(); up; up = up->parentWidget()) {
        if (QAbstractScrollArea* area = areaOf(up)) {
            for (QScrollBar* bar : {area->horizontalScrollBar(), area->verticalScrollBar()}) {
                connect(bar, &QScrollBar::valueChanged, this, &CachedImage::place, Qt::UniqueConnection);
                connect(bar, &QScrollBar::rangeChanged, this, &CachedImage::place, Qt::UniqueConnection);
            }
        }
        if (up->isWindow())
            break;
    }
    place();
    // Again once laid out: a view shown with the cells around it is only then in its place.
    QTimer::singleShot(0, this, &CachedImage::place);
}

void CachedImage::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    leave();
}

void CachedImage::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (isVisible())
        place();
}

bool CachedImage::inReach() const
{
    if (!isVisible())
        return false;
    // Within a viewport's worth of each scroll area's view, on every side.
    QRect area = rect();
    for (QWidget* child = const_cast<CachedImage*>(this); child->parentWidget() && !child->isWindow(); child = child->parentWidget()) {
        area.translate(child->pos());
        QWidget* parent = child->parentWidget();
        if (areaOf(parent)) {
            const QRect view = parent->rect();
            if (!view.adjusted(-view.width(), -view.height(), view.width(), view.height()).intersects(area))
                return false;
        }
    }
    return true;
}

void CachedImage::place()
{
    if (!inReach())
        leave();
    else if (!shown_ && requested_ != url_)
        load();
}

void CachedImage::leave()
{
    // Shown again, it is taken from the shared account or loaded again.
    requested_.reset();
    if (!shown_)
        return;
    shown_ = {};
    opacity_ = 1.0;
    update();
    emit imageLeft();
}

void CachedImage::load()
{
    requested_ = url_;
    if (url_.isEmpty())
        return;
    if (ImageMemory::Held kept(url_); kept) {
        qCDebug(imageLog).noquote() << "kept" << url_.toString();
        present(std::move(kept), false);
    } else {
        fetch(true);
    }
}

void CachedImage::fetch(bool firstTry)
{
    const QUrl url = url_;
    const int maxPixels = maxPixels_;
    QPointer<CachedImage> self(this);
    // A failed load is tried again when the view comes within reach again.
    // Bytes that give no image are let go of; when the address may give others, it is fetched
    // again at once, once, for a view still showing it.
    using Decoded = std::pair<std::optional<QImage>, bool>;
    // The load goes on for the memory's sake when the view goes.
    ImageMemory::requestBytes(url, QCoreApplication::instance(), [self, url, maxPixels, firstTry](const std::optional<QByteArray>& bytes) {
        if (!bytes)
            return;
        QtConcurrent::run(&ImageMemory::pool(), [url, bytes = *bytes, maxPixels] {
            std::optional<QImage> image = ImageMemory::decode(bytes, maxPixels);
            const bool again = !image && ImageMemory::discard(url, bytes);
            return Decoded(std::move(image), again);
        }).then(QCoreApplication::instance(), [self, url, firstTry](Decoded decoded) {
            auto& [image, again] = decoded;
            const bool wanted = self && self->url_ == url && self->requested_ == url;
            if (again && firstTry && wanted)
                return self->fetch(false);
            if (!image) {
                qCDebug(imageLog).noquote() << "no image" << url.toString();
                return;
            }
            qCDebug(imageLog).noquote().nospace() << "decoded " << url.toString() << ' ' << image->width() << 'x' << image->height();
            ImageMemory::Held kept = ImageMemory::remember(url, *image);
            if (wanted && !self->shown_)
                self->present(std::move(kept), true);
        });
    });
}

void CachedImage::present(ImageMemory::Held image, bool fade)
{
    shown_ = std::move(image);
    opacity_ = fade ? 0.0 : 1.0;
    if (fade) {
        QPointer<CachedImage> self(this);
        Motion::animate(this, 0.0, 1.0, 200, QEasingCurve::OutCubic, [self](const QVariant& value) {
            if (!self)
                return;
            self->opacity_ = value.toDouble();
            self->update();
        });
    }
    update();
    emit imageArrived();
}

void CachedImage::paintEvent(QPaintEvent*)
{
    if (!shown_ && requested_ != url_)
        place(); // drawn, so on view: a move of a parent may have brought it there
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF bounds = rect();
    if (cornerRadius_ > 0) {
        QPainterPath clip;
        clip.addRoundedRect(bounds, cornerRadius_, cornerRadius_);
        painter.setClipPath(clip);
    }
    if ((!shown_ || opacity_ < 1.0) && placeholder_)
        placeholder_(painter, bounds);
    if (shown_) {
        const QImage& image = shown_.image();
        const QSizeF filled = QSizeF(image.size()).scaled(bounds.size(), Qt::KeepAspectRatioByExpanding);
        const QRectF target(bounds.center().x() - filled.width() / 2, bounds.center().y() - filled.height() / 2,
            filled.width(), filled.height());
        painter.setOpacity(opacity_);
        painter.drawImage(target, image);
        painter.setOpacity(1.0);
    }
    paintOverlay(painter, bounds);
}

} // namespace hub
