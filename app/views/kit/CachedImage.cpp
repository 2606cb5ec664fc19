#include "app/views/kit/CachedImage.h"

#include "app/views/kit/ImageMemory.h"
#include "app/views/kit/Motion.h"

#include <QCoreApplication>
#include <QFuture>
#include <QLoggingCategory>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QtConcurrent>

namespace hub {

namespace {

// Each image a view asked for, decoded or not (debug, off unless enabled).
Q_LOGGING_CATEGORY(imageLog, "com.tavren.hub.images", QtInfoMsg)

} // namespace

CachedImage::CachedImage(const QUrl& url, int maxPixels, Placeholder placeholder, QWidget* parent)
    : QWidget(parent), url_(url), maxPixels_(maxPixels), placeholder_(std::move(placeholder)),
      image_(url.isEmpty() ? std::nullopt : ImageMemory::image(url))
{
}

void CachedImage::setUrl(const QUrl& url)
{
    if (url == url_)
        return;
    url_ = url;
    requested_.reset();
    image_ = url.isEmpty() ? std::nullopt : ImageMemory::image(url);
    opacity_ = 1.0;
    update();
    if (isVisible())
        load();
}

void CachedImage::setCornerRadius(double radius)
{
    cornerRadius_ = radius;
    update();
}

void CachedImage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (requested_ != url_)
        load();
}

void CachedImage::load()
{
    requested_ = url_;
    image_ = url_.isEmpty() ? std::nullopt : ImageMemory::image(url_);
    if (!image_ && !url_.isEmpty())
        fetch(true);
}

void CachedImage::fetch(bool firstTry)
{
    const QUrl url = url_;
    const int maxPixels = maxPixels_;
    QPointer<CachedImage> self(this);
    // A failed load is tried again when the view comes on screen again.
    const auto failed = [self, url] {
        if (self && self->url_ == url)
            self->requested_.reset();
    };
    // Bytes that give no image are let go of; when the address may give others, it is fetched
    // again at once, once, for a view still showing it.
    using Decoded = std::pair<std::optional<QImage>, bool>;
    // The load goes on for the memory's sake when the view goes.
    ImageMemory::requestBytes(url, QCoreApplication::instance(), [self, url, maxPixels, failed, firstTry](const std::optional<QByteArray>& bytes) {
        if (!bytes)
            return failed();
        QtConcurrent::run(&ImageMemory::pool(), [url, bytes = *bytes, maxPixels] {
            std::optional<QImage> image = ImageMemory::decode(bytes, maxPixels);
            const bool again = !image && ImageMemory::discard(url, bytes);
            return Decoded(std::move(image), again);
        }).then(QCoreApplication::instance(), [self, url, failed, firstTry](const Decoded& decoded) {
            const auto& [image, again] = decoded;
            if (again && firstTry && self && self->url_ == url)
                return self->fetch(false);
            if (!image) {
                qCDebug(imageLog).noquote() << "no image" << url.toString();
                return failed();
            }
            qCDebug(imageLog).noquote().nospace() << "decoded " << url.toString() << ' ' << image->width() << 'x' << image->height();
            ImageMemory::remember(url, *image);
            if (self && self->url_ == url)
                self->present(*image);
        });
    });
}

void CachedImage::present(const QImage& image)
{
    image_ = image;
    opacity_ = 0.0;
    QPointer<CachedImage> self(this);
    Motion::animate(this, 0.0, 1.0, 200, QEasingCurve::OutCubic, [self](const QVariant& value) {
        if (!self)
            return;
        self->opacity_ = value.toDouble();
        self->update();
    });
    update();
    emit imageArrived();
}

void CachedImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF bounds = rect();
    if (cornerRadius_ > 0) {
        QPainterPath clip;
        clip.addRoundedRect(bounds, cornerRadius_, cornerRadius_);
        painter.setClipPath(clip);
    }
    if ((!image_ || opacity_ < 1.0) && placeholder_)
        placeholder_(painter, bounds);
    if (image_ && !image_->isNull()) {
        const QSizeF filled = QSizeF(image_->size()).scaled(bounds.size(), Qt::KeepAspectRatioByExpanding);
        const QRectF target(bounds.center().x() - filled.width() / 2, bounds.center().y() - filled.height() / 2,
            filled.width(), filled.height());
        painter.setOpacity(opacity_);
        painter.drawImage(target, *image_);
        painter.setOpacity(1.0);
    }
    paintOverlay(painter, bounds);
}

} // namespace hub
