#include "app/views/kit/ScreenshotViewer.h"

#include "app/views/kit/Accessibility.h"
#include "app/views/kit/CachedImage.h"
#include "app/views/kit/CrossFade.h"
#include "app/views/kit/GalleryPresenter.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/Spinner.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace hub {

namespace {

constexpr double aspect = 1.6;

// Keeps its one child at 1.6 : 1, as large as fits, centred.
class AspectFrame : public QWidget {
public:
    using QWidget::QWidget;
    QWidget* child = nullptr;
    QWidget* centred = nullptr; // a child of `child`, kept in its middle

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        if (!child)
            return;
        const QSize fitted = QSize(1000, 625).scaled(event->size(), Qt::KeepAspectRatio);
        child->setGeometry(QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted));
        if (centred)
            centred->move((fitted.width() - centred->width()) / 2, (fitted.height() - centred->height()) / 2);
    }
};

QToolButton* chevron(const QString& symbol, const QString& name, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setAccessibleName(name);
    button->setIcon(QIcon(Symbols::pixmap(symbol, 16, Theme::primary())));
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    return button;
}

} // namespace

ScreenshotViewer::ScreenshotViewer(const QList<QUrl>& shots, int index, const QString& name, QWidget* parent)
    : QDialog(parent), shots_(shots), index_(index)
{
    setWindowTitle(name);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);

    auto* frame = new AspectFrame(this);
    frame->setMinimumSize(720, 450);
    frame->resize(1000, 625);
    image_ = new CachedImage(QUrl(), GalleryPresenter::viewerPixels, {}, frame);
    image_->setCornerRadius(10);
    Accessibility::setRole(image_, QAccessible::Graphic);
    frame->child = image_;
    frame_ = frame;
    spinner_ = new Spinner(24, image_);
    frame->centred = spinner_;
    connect(image_, &CachedImage::imageArrived, spinner_, &QWidget::hide);
    connect(image_, &CachedImage::imageLeft, spinner_, &QWidget::show);
    column->addWidget(frame, 1);

    auto* controls = new QHBoxLayout;
    back_ = chevron(QStringLiteral("chevron.left"), QStringLiteral("Previous screenshot"), this);
    forward_ = chevron(QStringLiteral("chevron.right"), QStringLiteral("Next screenshot"), this);
    counter_ = Labels::monospacedDigits(Labels::secondary(Labels::plain(QString(), TextStyle::body, this)));
    auto* done = new QPushButton(QStringLiteral("Done"), this);
    done->setAutoDefault(false);
    controls->addWidget(back_);
    controls->addWidget(counter_);
    controls->addWidget(forward_);
    controls->addStretch();
    controls->addWidget(done);
    column->addLayout(controls);

    connect(back_, &QToolButton::clicked, this, [this] { step(-1); });
    connect(forward_, &QToolButton::clicked, this, [this] { step(1); });
    connect(new QShortcut(Qt::Key_Left, this), &QShortcut::activated, this, [this] { step(-1); });
    connect(new QShortcut(Qt::Key_Right, this), &QShortcut::activated, this, [this] { step(1); });
    connect(done, &QPushButton::clicked, this, &QDialog::reject);
    resize(1032, 705);
    render();
}

void ScreenshotViewer::setShots(const QList<QUrl>& shots)
{
    shots_ = shots;
    if (shots_.isEmpty()) {
        reject();
        return;
    }
    render();
}

void ScreenshotViewer::step(int delta)
{
    const int next = GalleryPresenter::step(index_, delta, shots_.size());
    if (next == index_)
        return;
    CrossFade::start(image_, 200); // one shot fades into the next
    index_ = next;
    render();
}

QString ScreenshotViewer::counter() const
{
    return counter_->text();
}

void ScreenshotViewer::render()
{
    const std::optional<GalleryPresenter::Viewer> shown = GalleryPresenter::viewer(index_, shots_.size());
    if (!shown)
        return;
    index_ = shown->index;
    image_->setUrl(shots_.at(index_));
    spinner_->setVisible(!image_->hasImage());
    counter_->setText(shown->counter);
    // The arrow that keeps the focus says where a step landed; the image says which it is.
    const QString label = GalleryPresenter::cellLabel(index_, shots_.size());
    image_->setAccessibleName(label);
    for (QToolButton* arrow : {back_, forward_})
        arrow->setAccessibleDescription(label);
    back_->setEnabled(shown->canGoBack);
    forward_->setEnabled(shown->canGoForward);
}

} // namespace hub
