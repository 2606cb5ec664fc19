#include "app/views/checkout/CheckoutPage.h"

#include "app/views/checkout/InsecureContentBlocker.h"
#include "app/views/kit/CheckoutLog.h"

#include <QWebEngineCertificateError>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineSettings>

namespace hub {

CheckoutPage::CheckoutPage(const CheckoutNavigation& navigation, QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent), navigation_(navigation), blocker_(new InsecureContentBlocker(this))
{
    setUrlRequestInterceptor(blocker_);
    QWebEngineSettings* web = settings();
    web->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    web->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    web->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    web->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    web->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);

    connect(this, &QWebEnginePage::featurePermissionRequested, this, [this](const QUrl& origin, Feature feature) {
        setFeaturePermission(origin, feature, PermissionDeniedByUser);
    });
    connect(this, &QWebEnginePage::fullScreenRequested, this, [](QWebEngineFullScreenRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::certificateError, this, [](const QWebEngineCertificateError& error) {
        qCInfo(checkoutLog) << "certificate error refused" << error.url().host() << error.description();
        QWebEngineCertificateError refused = error;
        refused.rejectCertificate();
    });
}

bool CheckoutPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame)
{
    // A popup's first load arrives here as a main-frame load of its own page.
    const auto frame = isMainFrame ? CheckoutNavigation::Frame::main : CheckoutNavigation::Frame::sub;
    const CheckoutNavigation::Verdict verdict = navigation_.decide(url, frame);
    qCDebug(checkoutLog) << toString(verdict) << (isMainFrame ? "main frame" : "subframe") << url.toString(QUrl::RemoveUserInfo);
    emit decided(url, frame, verdict);
    if (verdict == CheckoutNavigation::Verdict::returned)
        emit returnSeen();
    return verdict == CheckoutNavigation::Verdict::allow;
}

QWebEnginePage* CheckoutPage::createWindow(WebWindowType)
{
    return nullptr;
}

} // namespace hub
