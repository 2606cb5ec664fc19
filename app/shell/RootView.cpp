#include "app/shell/RootView.h"

#include "app/model/AppModel.h"
#include "app/shell/DetailView.h"
#include "app/shell/Screens.h"
#include "app/shell/SidebarView.h"
#include "app/views/kit/BannerStack.h"

#include <QDialog>
#include <QEvent>
#include <QSplitter>
#include <QVBoxLayout>

namespace hub {

RootView::RootView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    // Made in their places, so that each is styled once.
    sidebar_ = new SidebarView(model, splitter);
    detail_ = new DetailView(model, splitter);
    banners_ = new BannerStack(model, this);
    splitter->addWidget(sidebar_);
    splitter->addWidget(detail_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({230, 1000});
    layout->addWidget(splitter);

    // The banners float over everything, masked to their rows.
    banners_->raise();
    connect(&model_.accounts(), &Accounts::showSignInChanged, this, &RootView::followSignIn);
    followSignIn();
    connect(&model_.checkout(), &Checkout::checkoutChanged, this, &RootView::followCheckout);
}

void RootView::setCheckoutSheet(CheckoutSheet make)
{
    makeCheckout_ = std::move(make);
    followCheckout();
}

void RootView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeBanners();
}

void RootView::placeBanners()
{
    banners_->setGeometry(rect());
    banners_->raise();
}

void RootView::followSignIn()
{
    const bool show = model_.accounts().showSignIn();
    if (show && !signInSheet_) {
        signInSheet_ = new QDialog(this);
        signInSheet_->setWindowModality(Qt::WindowModal);
        signInSheet_->setWindowTitle(QStringLiteral("Sign In"));
        auto* layout = new QVBoxLayout(signInSheet_);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSizeConstraint(QLayout::SetFixedSize); // the sheet is as large as its content
        layout->addWidget(Screens::signIn(model_));
        // Dismissing the sheet clears the model's flag.
        connect(signInSheet_, &QDialog::finished, this, [this] { model_.accounts().setShowSignIn(false); });
        signInSheet_->open();
    } else if (!show && signInSheet_) {
        QDialog* sheet = signInSheet_;
        signInSheet_ = nullptr;
        sheet->disconnect(this);
        sheet->close();
        sheet->deleteLater();
    }
}

void RootView::followCheckout()
{
    const std::optional<CheckoutSession>& session = model_.checkout().checkout();
    const QString order = session ? session->orderId : QString();
    if (checkoutSheet_ && checkoutOrder_ == order)
        return;
    // Gone, or replaced by a newer checkout: the sheet and its web view go at once.
    if (checkoutSheet_) {
        QDialog* sheet = checkoutSheet_;
        checkoutSheet_ = nullptr;
        sheet->disconnect(this);
        sheet->close();
        sheet->deleteLater();
    }
    checkoutOrder_ = order;
    if (!session || !makeCheckout_)
        return;
    QWidget* content = makeCheckout_(*session);
    if (!content) {
        // No sheet to pay in (the maker has said why): the checkout ends.
        checkoutOrder_.clear();
        model_.checkout().cancel();
        return;
    }
    checkoutSheet_ = new QDialog(this);
    checkoutSheet_->setWindowModality(Qt::WindowModal);
    checkoutSheet_->setWindowTitle(QStringLiteral("Checkout"));
    auto* layout = new QVBoxLayout(checkoutSheet_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    checkoutSheet_->resize(content->size());
    // Escape or the window's close button: the checkout ends, unpaid.
    connect(checkoutSheet_, &QDialog::finished, this, [this] { model_.checkout().cancel(); });
    checkoutSheet_->open();
}

} // namespace hub
