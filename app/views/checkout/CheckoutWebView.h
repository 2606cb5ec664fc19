#pragma once

#include "app/views/checkout/CheckoutNavigation.h"

#include <QList>
#include <QPointer>
#include <QWidget>
#include <chrono>

class QTimer;
class QWebEngineNewWindowRequest;
class QWebEngineProfile;
class QWebEngineView;

namespace hub {

class CheckoutPage;

// The restricted browser of the checkout sheet: one off-the-record profile of its
// own, the store's checkout page in the main page, payment popups as small windows
// of the same profile, nothing downloaded. It reports the shown page's host, whether
// it is secure, whether a page is loading, and the return address being reached.
// The web engine starts with the first of these, never before.
class CheckoutWebView : public QWidget {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds loadTimeout{60'000};
    static constexpr QSize popupSize{520, 680};

    CheckoutWebView(const QUrl& url, const QUrl& returnURL, CheckoutNavigation::Hosts hosts, QWidget* parent = nullptr);
    // Popups go first, then the pages, then the profile.
    ~CheckoutWebView() override;

    const QString& host() const { return host_; }
    bool secure() const { return secure_; }
    bool loading() const { return loading_; }

    CheckoutPage* page() const { return page_; }
    QWebEngineProfile* profile() const { return profile_; }
    // The popup windows still open, in opening order.
    QList<QWidget*> popups() const;

signals:
    void hostChanged(const QString& host);
    void secureChanged(bool secure);
    void loadingChanged(bool loading);
    void returnSeen();
    // Every navigation decision of the main page and the popups.
    void decided(const QUrl& url, hub::CheckoutNavigation::Frame frame, hub::CheckoutNavigation::Verdict verdict);
    void insecureContentBlocked(const QUrl& url);
    void downloadCancelled(const QUrl& url);

private:
    struct Popup {
        QPointer<QWidget> window;
        CheckoutPage* page;
    };

    CheckoutPage* makePage(QObject* parent);
    void openPopup(QWebEngineNewWindowRequest& request);
    void closePopup(CheckoutPage* page);
    void setLoading(bool loading);
    void update();

    CheckoutNavigation navigation_;
    QWebEngineProfile* profile_;
    QWebEngineView* view_;
    CheckoutPage* page_;
    QTimer* timeout_;
    QList<Popup> popups_;
    QList<QPointer<QWidget>> closing_; // closed by their page, deleted on the next turn
    QString host_;
    bool secure_ = true;
    bool loading_ = true;
    bool blockedSinceStart_ = false;
};

} // namespace hub
