#include "app/views/checkout/CheckoutView.h"

#include "app/model/AppModel.h"
#include "app/views/checkout/CheckoutPoller.h"
#include "app/views/checkout/CheckoutPresenter.h"
#include "app/views/checkout/CheckoutWebView.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/Spinner.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace hub {

CheckoutView::CheckoutView(AppModel& model, CheckoutSession session, CheckoutNavigation::Hosts hosts, QWidget* parent)
    : QWidget(parent), model_(model), session_(std::move(session)), lock_(new QLabel), host_(Labels::plain({}, TextStyle::callout)),
      spinner_(new Spinner(14)), status_(Labels::secondary(Labels::plain({}, TextStyle::callout))),
      openInBrowser_(new QPushButton(QStringLiteral("Open in browser"))), close_(new QPushButton(QStringLiteral("Close"))),
      web_(new CheckoutWebView(session_.url, session_.returnURL, std::move(hosts))),
      poller_(new CheckoutPoller(model.services().client, model.pools().reads, model.services().sleep, session_.orderId, this))
{
    setMinimumSize(minimumSheetSize);
    resize(idealSheetSize);

    auto* bar = new QFrame;
    bar->setAutoFillBackground(true);
    QPalette palette = bar->palette();
    palette.setColor(QPalette::Window, Theme::materialBackground());
    bar->setPalette(palette);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(10, 10, 10, 10);
    row->setSpacing(8);
    QFont mono = host_->font();
    mono.setStyleHint(QFont::Monospace);
    mono.setFamily(QStringLiteral("monospace"));
    host_->setFont(mono);
    openInBrowser_->setToolTip(QStringLiteral("Finish paying in your default browser instead"));
    close_->setShortcut(QKeySequence(Qt::Key_Escape));
    row->addWidget(lock_, 0, Qt::AlignVCenter);
    row->addWidget(host_, 0, Qt::AlignVCenter);
    row->addWidget(spinner_, 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(status_, 0, Qt::AlignVCenter);
    row->addWidget(openInBrowser_, 0, Qt::AlignVCenter);
    row->addWidget(close_, 0, Qt::AlignVCenter);

    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(divider);
    layout->addWidget(web_, 1);

    connect(openInBrowser_, &QPushButton::clicked, this, [this] {
        if (model_.services().openURL)
            model_.services().openURL(session_.url);
    });
    // The order stays at the store, unpaid.
    connect(close_, &QPushButton::clicked, this, [this] { model_.checkout().cancel(); });
    connect(web_, &CheckoutWebView::returnSeen, this, [this] {
        poller_->setReturned();
        rebuild();
    });
    connect(web_, &CheckoutWebView::hostChanged, this, &CheckoutView::rebuild);
    connect(web_, &CheckoutWebView::secureChanged, this, &CheckoutView::rebuild);
    connect(web_, &CheckoutWebView::loadingChanged, this, &CheckoutView::rebuild);
    connect(poller_, &CheckoutPoller::statusChanged, this, &CheckoutView::rebuild);
    connect(poller_, &CheckoutPoller::settled, this, [this](const Order& order) {
        model_.checkout().checkoutFinished(session_, order);
    });
    // Once the model has let go of this order, the sheet hands nothing over.
    connect(&model_.checkout(), &Checkout::checkoutChanged, this, [this] {
        const std::optional<CheckoutSession>& current = model_.checkout().checkout();
        if (!current || current->orderId != session_.orderId)
            poller_->stop();
    });
    rebuild();
    poller_->start();
}

void CheckoutView::rebuild()
{
    const CheckoutPresenter::Header header =
        CheckoutPresenter::present({web_->host(), web_->secure(), poller_->status(), poller_->returned(), web_->loading()});
    lock_->setPixmap(Symbols::pixmap(header.lockSymbol, 14, header.lockGreen ? Theme::green() : Theme::red(), devicePixelRatio()));
    if (lock_->accessibleName() != header.lockName)
        lock_->setAccessibleName(header.lockName);
    host_->setText(header.host);
    spinner_->setVisible(header.spinner);
    status_->setText(header.status);
}

} // namespace hub
