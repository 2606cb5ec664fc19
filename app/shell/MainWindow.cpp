#include "app/shell/MainWindow.h"

#include "app/model/AppModel.h"
#include "app/shell/DetailView.h"
#include "app/shell/RootPresenter.h"
#include "app/shell/RootView.h"
#include "app/shell/Screens.h"
#include "app/views/kit/LaunchSplash.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/Spinner.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
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
    popover_ = new QFrame(this, Qt::Popup);
    popover_->setAttribute(Qt::WA_DeleteOnClose);
    popover_->installEventFilter(this);
    popover_->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(popover_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Screens::cart(model_));
    popover_->adjustSize();
    // Hangs below the button, its right edge on the button's.
    const QPoint corner = cart_->mapToGlobal(QPoint(cart_->width(), cart_->height()));
    popover_->move(corner.x() - popover_->width(), corner.y());
    // Clicking outside closes the popup; either way the flag follows.
    connect(popover_, &QObject::destroyed, this, [this] { popover_ = nullptr; });
    popover_->show();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // A press on the cart button closes the popover and ends there: it is not
    // replayed to the button, which would open the popover again.
    if (watched == popover_ && event->type() == QEvent::MouseButtonPress) {
        const QPointF global = static_cast<QMouseEvent*>(event)->globalPosition();
        if (cart_->rect().contains(cart_->mapFromGlobal(global.toPoint())))
            popover_->setAttribute(Qt::WA_NoMouseReplay);
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
    if (!settings || !restoreGeometry(settings->value(QLatin1String(geometryKey)).toByteArray()) || isMaximized() || isFullScreen())
        return;
    // Wholly on the screen it is on, as large as fits there: the screens may have changed
    // since. The layout keeps the minimum when the window is shown.
    const QScreen* on = QGuiApplication::screenAt(geometry().center());
    const QRect available = (on ? on : screen())->availableGeometry();
    QRect placed(geometry().topLeft(), geometry().size().boundedTo(available.size()));
    placed.moveLeft(std::clamp(placed.left(), available.left(), available.left() + available.width() - placed.width()));
    placed.moveTop(std::clamp(placed.top(), available.top(), available.top() + available.height() - placed.height()));
    setGeometry(placed);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    const std::shared_ptr<QSettings>& settings = model_.services().settings;
    if (keepsPlace_ && settings && event->isAccepted()) {
        settings->setValue(QLatin1String(geometryKey), saveGeometry());
        settings->sync();
    }
    if (quitsOnClose_ && event->isAccepted())
        QApplication::quit();
}

} // namespace hub
