#include "app/shell/MainWindow.h"

#include "app/model/AppModel.h"
#include "app/shell/DetailView.h"
#include "app/shell/RootPresenter.h"
#include "app/shell/RootView.h"
#include "app/shell/Screens.h"
#include "app/views/kit/FocusKeeper.h"
#include "app/views/kit/LaunchSplash.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/Spinner.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QSettings>
#include <QFrame>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace hub {

MainWindow::MainWindow(AppModel& model, bool splash, QWidget* parent)
    : QMainWindow(parent), model_(model), root_(new RootView(model, this)), spinner_(new Spinner(14)),
      cart_(new QToolButton), rebuild_(new Rebuilder(this, [this] { rebuildToolbar(); }))
{
    setObjectName(QStringLiteral("main"));
    new FocusKeeper(this); // for every list, banner and slot of the window
    // The content keeps its minimum; the menu bar and toolbar come on top of it.
    root_->setMinimumSize(minimumContentSize);
    setCentralWidget(root_);
    const auto retitle = [this] { setWindowTitle(RootPresenter::windowTitle(root_->detail()->navigationTitle())); };
    connect(root_->detail(), &DetailView::navigationTitleChanged, this, retitle);
    retitle();

    auto* toolbar = addToolBar(QStringLiteral("Toolbar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar->setIconSize(QSize(16, 16));
    auto* spacer = new QWidget;
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar->addWidget(spacer);
    spinnerAction_ = toolbar->addWidget(spinner_);
    refresh_ = toolbar->addAction(QStringLiteral("Refresh"));
    refresh_->setToolTip(QStringLiteral("Reload the store and your library"));
    refresh_->setIcon(Symbols::pixmap(QStringLiteral("arrow.clockwise"), 16, Theme::primary(), devicePixelRatio()));
    cart_->setToolTip(QStringLiteral("Cart"));
    cart_->setAutoRaise(true);
    cart_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar->addWidget(cart_);

    connect(refresh_, &QAction::triggered, this, [this] { model_.refresh().refreshAll(); });
    connect(cart_, &QToolButton::clicked, this, &MainWindow::toggleCart);
    rebuild_->watch(&model_.refresh(), &RefreshCycle::loadingChanged);
    rebuild_->watch(&model_.cart(), &Cart::cartChanged);
    rebuildToolbar();

    if (splash) {
        splash_ = new LaunchSplash([this] {
            splash_->deleteLater();
            splash_ = nullptr;
        }, std::nullopt, this);
        splash_->setGeometry(rect());
        splash_->raise();
    }
}

void MainWindow::rebuildToolbar()
{
    spinnerAction_->setVisible(model_.refresh().loading());
    const RootPresenter::CartButton button = RootPresenter::cartButton(model_.cart().cart().size());
    cart_->setText(button.badge > 0 ? QStringLiteral("Cart %1").arg(button.badge) : QStringLiteral("Cart"));
    cart_->setIcon(Symbols::pixmap(button.symbol, 16, Theme::primary(), devicePixelRatio()));
}

void MainWindow::toggleCart()
{
    if (popover_) {
        popover_->close();
        return;
    }
    // A window of the app, not a popup: a screen reader finds it among the app's windows.
    popover_ = new QFrame(this, Qt::Tool | Qt::FramelessWindowHint);
    popover_->setAttribute(Qt::WA_DeleteOnClose);
    popover_->setWindowTitle(QStringLiteral("Cart"));
    popover_->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(popover_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Screens::cart(model_));
    popover_->adjustSize();
    // Hangs below the button, its right edge on the button's.
    const QPoint corner = cart_->mapToGlobal(QPoint(cart_->width(), cart_->height()));
    popover_->move(corner.x() - popover_->width(), corner.y());
    // A press outside or Escape closes it, as they close a popup; either way the flag follows.
    qApp->installEventFilter(this);
    connect(popover_, &QObject::destroyed, this, [this] {
        popover_ = nullptr;
        qApp->removeEventFilter(this);
    });
    popover_->show();
    popover_->activateWindow(); // active, its first control takes the keyboard (Qt's own rule)
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (!popover_ || !watched->isWidgetType())
        return QMainWindow::eventFilter(watched, event);
    auto* widget = static_cast<QWidget*>(watched);
    const bool inside = widget->window() == popover_;
    if (event->type() == QEvent::MouseButtonPress && !inside) {
        popover_->close();
        // A press on the cart button ends there: it would open the popover again.
        return widget == cart_ || cart_->isAncestorOf(widget);
    }
    if (event->type() == QEvent::KeyPress && inside && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        popover_->close();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Over everything made since, the menu bar included.
    if (splash_) {
        splash_->setGeometry(rect());
        splash_->raise();
    }
    if (startsModel_ && !event->spontaneous())
        model_.start();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (splash_)
        splash_->setGeometry(rect());
}

void MainWindow::restorePlace()
{
    keepsPlace_ = true;
    const std::shared_ptr<QSettings>& settings = model_.services().settings;
    if (!settings)
        return;
    QRect place = settings->value(QLatin1String(placeKey)).toRect();
    QRect frame = settings->value(QLatin1String(frameKey), place).toRect();
    bool maximized = settings->value(QLatin1String(maximizedKey)).toBool();
    if (!place.isValid()) {
        if (!restoreGeometry(settings->value(QLatin1String(geometryKey)).toByteArray()))
            return;
        place = frame = normalGeometry();
        maximized = isMaximized() || isFullScreen();
    }
    // The frame as it was: not known here before the window is shown.
    const QMargins margins(std::max(0, place.left() - frame.left()), std::max(0, place.top() - frame.top()),
                           std::max(0, frame.right() - place.right()), std::max(0, frame.bottom() - place.bottom()));
    // Wholly on the screen it is on, as large as fits there: the screens may have changed
    // since. A maximized window keeps this place for when it is restored.
    const QScreen* on = QGuiApplication::screenAt(place.center());
    const QRect available = (on ? on : screen())->availableGeometry();
    setGeometry(fitted(place.marginsAdded(margins), available, minimumSizeHint().grownBy(margins)).marginsRemoved(margins));
    const Qt::WindowStates state = windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen);
    setWindowState(maximized ? state | Qt::WindowMaximized : state);
}

QRect MainWindow::fitted(const QRect& frame, const QRect& available, const QSize& minimum)
{
    QRect placed(frame.topLeft(), frame.size().boundedTo(available.size()).expandedTo(minimum));
    placed.moveLeft(std::max(std::min(placed.left(), available.left() + available.width() - placed.width()), available.left()));
    placed.moveTop(std::max(std::min(placed.top(), available.top() + available.height() - placed.height()), available.top()));
    return placed;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    const std::shared_ptr<QSettings>& settings = model_.services().settings;
    if (keepsPlace_ && settings && event->isAccepted()) {
        const QRect place = normalGeometry();
        const QRect frame = frameGeometry(), inner = geometry();
        settings->setValue(QLatin1String(placeKey), place);
        settings->setValue(QLatin1String(frameKey), place.adjusted(frame.left() - inner.left(), frame.top() - inner.top(),
                                                                   frame.right() - inner.right(), frame.bottom() - inner.bottom()));
        settings->setValue(QLatin1String(maximizedKey), isMaximized() || isFullScreen());
        settings->remove(QLatin1String(geometryKey));
        settings->sync();
    }
    if (quitsOnClose_ && event->isAccepted())
        QApplication::quit();
}

} // namespace hub
