#include "app/views/checkout/CheckoutWebView.h"

#include "app/views/checkout/CheckoutPage.h"
#include "app/views/checkout/InsecureContentBlocker.h"
#include "app/views/kit/CheckoutLog.h"
#include "app/views/kit/WebEngineArguments.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace hub {

namespace {

QWebEngineProfile* offTheRecordProfile()
{
    WebEngineArguments::applyDemo();
    // A profile made without a name keeps cookies, storage and cache in memory only.
    return new QWebEngineProfile();
}

} // namespace

CheckoutWebView::CheckoutWebView(const QUrl& url, const QUrl& returnURL, CheckoutNavigation::Hosts hosts, QWidget* parent)
    : QWidget(parent), navigation_(returnURL, std::move(hosts)), profile_(offTheRecordProfile()),
      view_(new QWebEngineView(this)), page_(makePage(view_)), timeout_(new QTimer(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    view_->setPage(page_);

    connect(profile_, &QWebEngineProfile::downloadRequested, this, [this](QWebEngineDownloadRequest* download) {
        qCInfo(checkoutLog) << "download cancelled" << download->url().toString(QUrl::RemoveUserInfo);
        download->cancel();
        emit downloadCancelled(download->url());
    });
    connect(page_, &QWebEnginePage::loadStarted, this, [this] { blockedSinceStart_ = false; });
    connect(page_, &QWebEnginePage::urlChanged, this, &CheckoutWebView::update);
    connect(page_, &QWebEnginePage::loadFinished, this, [this] {
        timeout_->stop();
        update();
    });
    connect(page_->blocker(), &InsecureContentBlocker::blocked, this, [this] { blockedSinceStart_ = true; });

    // A load that has not finished in time is stopped, which counts as a failed load.
    timeout_->setSingleShot(true);
    timeout_->setInterval(loadTimeout);
    connect(timeout_, &QTimer::timeout, this, [this] { page_->triggerAction(QWebEnginePage::Stop); });
    timeout_->start();
    page_->load(url);
}

CheckoutWebView::~CheckoutWebView()
{
    // A page must not outlive its profile, and a popup must not outlive the sheet.
    page_->disconnect(this);
    page_->blocker()->disconnect(this);
    for (const Popup& popup : std::as_const(popups_))
        delete popup.window;
    popups_.clear();
    for (const QPointer<QWidget>& window : std::as_const(closing_))
        delete window;
    delete view_; // and the main page with it
    delete profile_;
}

QList<QWidget*> CheckoutWebView::popups() const
{
    QList<QWidget*> windows;
    for (const Popup& popup : popups_)
        windows.append(popup.window);
    return windows;
}

CheckoutPage* CheckoutWebView::makePage(QObject* parent)
{
    auto* page = new CheckoutPage(navigation_, profile_, parent);
    connect(page, &QWebEnginePage::loadStarted, this, [this] { setLoading(true); });
    connect(page, &QWebEnginePage::loadFinished, this, [this] { setLoading(false); });
    connect(page, &CheckoutPage::decided, this, &CheckoutWebView::decided);
    connect(page, &CheckoutPage::returnSeen, this, &CheckoutWebView::returnSeen);
    connect(page->blocker(), &InsecureContentBlocker::blocked, this, &CheckoutWebView::insecureContentBlocked);
    connect(page, &QWebEnginePage::newWindowRequested, this, &CheckoutWebView::openPopup);
    return page;
}

void CheckoutWebView::openPopup(QWebEngineNewWindowRequest& request)
{
    const QUrl url = request.requestedUrl();
    if (!navigation_.allowsPopup(url)) {
        qCInfo(checkoutLog) << "popup refused" << url.toString(QUrl::RemoveUserInfo);
        return;
    }
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setWindowTitle(url.host().isEmpty() ? QStringLiteral("Payment") : url.host());
    window->resize(popupSize);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new QWebEngineView(window);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    layout->addWidget(view);
    CheckoutPage* page = makePage(view);
    view->setPage(page);
    connect(page, &QWebEnginePage::windowCloseRequested, this, [this, page] { closePopup(page); });
    popups_.append({window, page});
    request.openIn(page);

    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void CheckoutWebView::closePopup(CheckoutPage* page)
{
    for (qsizetype i = 0; i < popups_.size(); ++i) {
        if (popups_[i].page != page)
            continue;
        QPointer<QWidget> window = popups_.takeAt(i).window;
        if (window) {
            window->close();
            window->deleteLater();
            closing_.append(window);
        }
        return;
    }
}

void CheckoutWebView::setLoading(bool loading)
{
    if (loading_ == loading)
        return;
    loading_ = loading;
    emit loadingChanged(loading_);
}

void CheckoutWebView::update()
{
    const QUrl url = page_->url();
    if (url.isEmpty())
        return;
    const QString host = url.host().isEmpty() ? url.toString() : url.host();
    const bool secure = url.scheme() == u"https" && !blockedSinceStart_;
    if (host_ != host) {
        host_ = host;
        emit hostChanged(host_);
    }
    if (secure_ != secure) {
        secure_ = secure;
        emit secureChanged(secure_);
    }
}

} // namespace hub
