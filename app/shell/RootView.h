#pragma once

#include <QWidget>

class QDialog;
class QVBoxLayout;

namespace hub {

class AppModel;
class DetailView;
class RebuildSoon;
class SidebarView;

// The main window's content: the sidebar and the detail column side by side, the
// banners along the bottom, and the sign-in sheet while the model asks for it.
class RootView : public QWidget {
    Q_OBJECT
public:
    RootView(AppModel& model, bool splash, QWidget* parent = nullptr);

    SidebarView* sidebar() const { return sidebar_; }
    DetailView* detail() const { return detail_; }
    QDialog* signInSheet() const { return signInSheet_; }
    // True until the launch splash has finished; never true again for this view.
    bool splash() const { return splash_; }
    void splashFinished() { splash_ = false; }

private:
    void showBanners();
    void followSignIn();

    AppModel& model_;
    SidebarView* sidebar_;
    DetailView* detail_;
    QWidget* banners_;
    QVBoxLayout* bannerRows_;
    QDialog* signInSheet_ = nullptr;
    bool splash_;
};

} // namespace hub
