#pragma once

#include "app/views/checkout/CheckoutNavigation.h"

#include <QWebEnginePage>

namespace hub {

class InsecureContentBlocker;

// One page of the checkout web view (the main page or a popup): every navigation,
// redirects included, goes through the navigation policy; JavaScript may open
// windows; permission, full-screen, protocol-handler and file-system requests are
// denied and certificate errors are never accepted.
class CheckoutPage : public QWebEnginePage {
    Q_OBJECT
public:
    CheckoutPage(const CheckoutNavigation& navigation, QWebEngineProfile* profile, QObject* parent = nullptr);

    InsecureContentBlocker* blocker() const { return blocker_; }

signals:
    // Every decision of the policy, in order.
    void decided(const QUrl& url, hub::CheckoutNavigation::Frame frame, hub::CheckoutNavigation::Verdict verdict);
    // The page tried to open the return address; it stays where it was.
    void returnSeen();

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    // Windows are opened through newWindowRequested only.
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    const CheckoutNavigation& navigation_;
    InsecureContentBlocker* blocker_;
};

} // namespace hub
