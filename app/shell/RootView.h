#pragma once

#include <QWidget>
#include <functional>

class QDialog;

namespace hub {

class AppModel;
class BannerStack;
struct CheckoutSession;
class DetailView;
class SidebarView;

// The main window's content: the sidebar and the detail column side by side, the
// banners laid over the bottom edge, the sign-in sheet while the model asks for it, and
// the checkout sheet while the model holds a checkout.
class RootView : public QWidget {
    Q_OBJECT
public:
    using CheckoutSheet = std::function<QWidget*(const CheckoutSession&)>;

    explicit RootView(AppModel& model, QWidget* parent = nullptr);

    // What the checkout sheet holds; without it no sheet is shown. When it makes
    // nothing, the checkout ends without a sheet.
    void setCheckoutSheet(CheckoutSheet make);

    SidebarView* sidebar() const { return sidebar_; }
    DetailView* detail() const { return detail_; }
    QDialog* signInSheet() const { return signInSheet_; }
    QDialog* checkoutSheet() const { return checkoutSheet_; }
    BannerStack* banners() const { return banners_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeBanners();
    void followSignIn();
    void followCheckout();

    AppModel& model_;
    SidebarView* sidebar_ = nullptr;
    DetailView* detail_ = nullptr;
    BannerStack* banners_ = nullptr;
    QDialog* signInSheet_ = nullptr;
    CheckoutSheet makeCheckout_;
    QDialog* checkoutSheet_ = nullptr;
    QString checkoutOrder_;
};

} // namespace hub
