#include "app/shell/MainWindow.h"

#include "app/model/AppModel.h"
#include "app/shell/RebuildSoon.h"
#include "app/shell/RootPresenter.h"
#include "app/shell/RootView.h"
#include "app/shell/Screens.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QProgressBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace hub {

MainWindow::MainWindow(AppModel& model, bool splash, QWidget* parent)
    : QMainWindow(parent), model_(model), root_(new RootView(model, splash, this)), spinner_(new QProgressBar),
      cart_(new QToolButton), rebuild_(new RebuildSoon([this] { rebuildToolbar(); }, this))
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Tavren Hub"));
    setMinimumSize(minimumContentSize);
    setCentralWidget(root_);

    auto* toolbar = addToolBar(QStringLiteral("Toolbar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* spacer = new QWidget;
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar->addWidget(spacer);
    spinner_->setRange(0, 0);
    spinner_->setTextVisible(false);
    spinner_->setFixedSize(60, 8);
    spinnerAction_ = toolbar->addWidget(spinner_);
    refresh_ = toolbar->addAction(QStringLiteral("Refresh"));
    refresh_->setToolTip(QStringLiteral("Reload the store and your library"));
    cart_->setToolTip(QStringLiteral("Cart"));
    cart_->setAutoRaise(true);
    toolbar->addWidget(cart_);

    connect(refresh_, &QAction::triggered, this, [this] { model_.refresh().refreshAll(); });
    connect(cart_, &QToolButton::clicked, this, &MainWindow::toggleCart);
    connect(&model_.refresh(), &RefreshCycle::loadingChanged, this, [this] { rebuild_->schedule(); });
    rebuildToolbar();
}

void MainWindow::rebuildToolbar()
{
    spinnerAction_->setVisible(model_.refresh().loading());
    // SEAM: the cart's lines once the model holds a cart.
    const RootPresenter::CartButton button = RootPresenter::cartButton(0);
    cart_->setText(button.badge > 0 ? QStringLiteral("Cart %1").arg(button.badge) : QStringLiteral("Cart"));
    cart_->setProperty("symbol", button.symbol);
}

void MainWindow::toggleCart()
{
    if (popover_) {
        popover_->close();
        return;
    }
    popover_ = new QFrame(this, Qt::Popup);
    popover_->setAttribute(Qt::WA_DeleteOnClose);
    popover_->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(popover_);
    layout->addWidget(Screens::cart(model_));
    popover_->resize(340, 300);
    // Hangs below the button, its right edge on the button's.
    const QPoint corner = cart_->mapToGlobal(QPoint(cart_->width(), cart_->height()));
    popover_->move(corner.x() - popover_->width(), corner.y());
    // Clicking outside closes the popup; either way the flag follows.
    connect(popover_, &QObject::destroyed, this, [this] { popover_ = nullptr; });
    popover_->show();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (startsModel_ && !event->spontaneous())
        model_.start();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (quitsOnClose_ && event->isAccepted())
        QApplication::quit();
}

} // namespace hub
