#pragma once

#include "app/model/CheckoutSession.h"
#include "app/views/checkout/CheckoutNavigation.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace hub {

class AppModel;
class CheckoutPoller;
class CheckoutWebView;
class Spinner;

// The checkout sheet: a header bar with the lock, the host, a spinner, the order's
// status and the ways out, over the restricted web view of the store's checkout
// page. The order is polled at the store until it is paid, then handed to the model;
// what the page shows decides nothing.
class CheckoutView : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize minimumSheetSize{720, 640};
    static constexpr QSize idealSheetSize{820, 760};

    CheckoutView(AppModel& model, CheckoutSession session,
                 CheckoutNavigation::Hosts hosts = CheckoutNavigation::Hosts::standard(), QWidget* parent = nullptr);

    const CheckoutSession& session() const { return session_; }
    CheckoutWebView* webView() const { return web_; }
    CheckoutPoller* poller() const { return poller_; }
    QLabel* statusLabel() const { return status_; }
    QPushButton* openInBrowserButton() const { return openInBrowser_; }
    QPushButton* closeButton() const { return close_; }

private:
    void rebuild();

    AppModel& model_;
    const CheckoutSession session_;
    QLabel* lock_;
    QLabel* host_;
    Spinner* spinner_;
    QLabel* status_;
    QPushButton* openInBrowser_;
    QPushButton* close_;
    CheckoutWebView* web_;
    CheckoutPoller* poller_;
};

} // namespace hub
