#pragma once

#include <QWidget>

class QDialog;

namespace hub {

class AppModel;
class BannerStack;
class DetailView;
class SidebarView;

// The main window's content: the sidebar and the detail column side by side, the
// banners laid over the bottom edge, and the sign-in sheet while the model asks for it.
class RootView : public QWidget {
    Q_OBJECT
public:
    explicit RootView(AppModel& model, QWidget* parent = nullptr);

    SidebarView* sidebar() const { return sidebar_; }
    DetailView* detail() const { return detail_; }
    QDialog* signInSheet() const { return signInSheet_; }
    BannerStack* banners() const { return banners_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeBanners();
    void followSignIn();

    AppModel& model_;
    SidebarView* sidebar_;
    DetailView* detail_;
    BannerStack* banners_;
    QDialog* signInSheet_ = nullptr;
};

} // namespace hub
