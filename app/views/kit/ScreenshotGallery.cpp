#include "app/views/kit/ScreenshotGallery.h"

#include "app/model/StoreCatalog.h"
#include "app/views/kit/CachedImage.h"
#include "app/views/kit/GalleryPresenter.h"
#include "app/views/kit/KeyboardGrid.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/PlaceholderShot.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/ScreenshotViewer.h"
#include "app/views/kit/StylePaint.h"
#include "app/views/kit/Theme.h"
#include "kit/security/HostPolicy.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOption>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cstdlib>

namespace hub {

namespace {

// The screenshot over its drawn card, with a faint edge.
class ShotImage : public CachedImage {
public:
    ShotImage(const QUrl& url, QWidget* parent) : CachedImage(url, GalleryPresenter::cellPixels, {}, parent)
    {
        setCornerRadius(12);
    }

protected:
    void paintOverlay(QPainter& painter, const QRectF& rect) override
    {
        painter.setPen(QPen(Theme::primary(0.1), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), 11.5, 11.5);
    }
};

// A plain button whose whole rectangle takes clicks; its children only draw, and its focus
// ring is drawn over them. Focused, it scrolls into view.
class ShotButton : public QAbstractButton {
public:
    explicit ShotButton(QWidget* parent) : QAbstractButton(parent), ring_(new Ring(this)) {}

    // Over the children made since.
    void raiseRing() { ring_->raise(); }

protected:
    void paintEvent(QPaintEvent*) override {}
    void resizeEvent(QResizeEvent*) override { ring_->setGeometry(rect()); }
    void focusInEvent(QFocusEvent* event) override
    {
        QAbstractButton::focusInEvent(event);
        KeyboardGrid::scrollIntoView(this);
    }

private:
    class Ring : public QWidget {
    public:
        explicit Ring(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

    protected:
        void paintEvent(QPaintEvent*) override
        {
            if (!parentWidget()->hasFocus())
                return;
            QPainter painter(this);
            QStyleOption option;
            option.initFrom(parentWidget());
            StylePaint::drawFocusRing(&painter, &option, parentWidget(), rect(), 12, false);
        }
    };

    Ring* ring_;
};

} // namespace

ScreenshotGallery::ScreenshotGallery(const StoreCatalog& catalog, const QString& id, const QString& name,
    const std::optional<QString>& iconUrl, const QColor& tint, QWidget* parent)
    : QWidget(parent), catalog_(catalog), id_(id), name_(name), iconUrl_(iconUrl), tint_(tint),
      rebuilder_(new Rebuilder(this, [this] { rebuild(); })), scroll_(new QScrollArea(this)), row_(new QWidget),
      rowLayout_(new QHBoxLayout(row_))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    column->addWidget(Labels::plain(QStringLiteral("Preview"), TextStyle::title2, this, QFont::Bold));

    rowLayout_->setContentsMargins(0, 4, 0, 4);
    rowLayout_->setSpacing(16);
    rowLayout_->setSizeConstraint(QLayout::SetFixedSize);
    scroll_->setWidget(row_);
    scroll_->setFixedHeight(GalleryPresenter::stripHeight);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidgetResizable(false);
    scroll_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Theme::setRole(scroll_, "clear");
    column->addWidget(scroll_);
    scroll_->viewport()->installEventFilter(this);

    caption_ = Labels::secondary(Labels::plain(QStringLiteral("Screenshots are on their way."), TextStyle::caption, this));
    column->addWidget(caption_);

    rebuilder_->watch(&catalog_, &StoreCatalog::extrasChanged);
    rebuild();
}

bool ScreenshotGallery::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == scroll_->viewport() && event->type() == QEvent::Wheel) {
        // Up and down move the strip sideways; at its ends the page scrolls on.
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (std::abs(wheel->angleDelta().y()) > std::abs(wheel->angleDelta().x())) {
            wheel->ignore();
            QCoreApplication::sendEvent(scroll_->horizontalScrollBar(), wheel);
            if (wheel->isAccepted())
                return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool ScreenshotGallery::showsCaption() const
{
    return !caption_->isHidden();
}

void ScreenshotGallery::setTint(const QColor& tint)
{
    tint_ = tint;
    for (PlaceholderShot* card : placeholders_)
        card->setTint(tint);
}

void ScreenshotGallery::setProduct(const QString& name, const std::optional<QString>& iconUrl)
{
    if (name == name_ && iconUrl == iconUrl_)
        return;
    name_ = name;
    iconUrl_ = iconUrl;
    for (PlaceholderShot* card : placeholders_)
        card->setProduct(name, iconUrl);
    if (viewer_)
        viewer_->setWindowTitle(name);
}

void ScreenshotGallery::rebuild()
{
    shots_ = GalleryPresenter::shots(catalog_.extras(), id_, HostPolicy::tavren());
    if (viewer_)
        viewer_->setShots(shots_);
    if (built_ == shots_)
        return;
    built_ = shots_;
    for (QWidget* cell : cells_)
        cell->deleteLater();
    cells_.clear();
    placeholders_.clear();
    scroll_->horizontalScrollBar()->setValue(0);

    if (shots_.isEmpty()) {
        for (const QString& key : GalleryPresenter::placeholderKeys()) {
            auto* card = new PlaceholderShot(name_, iconUrl_, tint_, GalleryPresenter::variant(key), row_);
            card->setObjectName(key);
            card->setFixedSize(GalleryPresenter::cellWidth, GalleryPresenter::cellHeight);
            placeholders_.append(card);
            cells_.append(card);
        }
    } else {
        for (int position = 0; position < shots_.size(); ++position)
            cells_.append(shotCell(shots_.at(position), position));
    }
    for (QWidget* cell : cells_)
        rowLayout_->addWidget(cell, 0, Qt::AlignVCenter);
    caption_->setVisible(shots_.isEmpty());
}

QWidget* ScreenshotGallery::shotCell(const QUrl& url, int position)
{
    auto* button = new ShotButton(row_);
    button->setFixedSize(GalleryPresenter::cellWidth, GalleryPresenter::cellHeight);
    button->setCursor(Qt::PointingHandCursor);
    button->setAccessibleName(GalleryPresenter::cellLabel(position, shots_.size()));
    button->setObjectName(url.toString());
    const QRect whole(0, 0, GalleryPresenter::cellWidth, GalleryPresenter::cellHeight);
    auto* card = new PlaceholderShot(name_, iconUrl_, tint_, position, button);
    card->setGeometry(whole);
    card->setAttribute(Qt::WA_TransparentForMouseEvents);
    placeholders_.append(card);
    auto* image = new ShotImage(url, button);
    image->setGeometry(whole);
    image->setAttribute(Qt::WA_TransparentForMouseEvents);
    image->raise();
    // The card stands in until the image is there, and never shows through its transparency.
    card->setVisible(!image->hasImage());
    connect(image, &CachedImage::imageArrived, card, &QWidget::hide);
    connect(image, &CachedImage::imageLeft, card, &QWidget::show);
    button->raiseRing();
    connect(button, &QAbstractButton::clicked, this, [this, position] { open(position); });
    return button;
}

void ScreenshotGallery::open(int position)
{
    if (shots_.isEmpty())
        return;
    if (viewer_)
        viewer_->close();
    auto* viewer = new ScreenshotViewer(shots_, position, name_, window());
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->setWindowModality(Qt::WindowModal);
    viewer_ = viewer;
    viewer->open();
}

} // namespace hub
