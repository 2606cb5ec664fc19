#pragma once

#include <QMainWindow>

class QAction;
class QFrame;
class QToolButton;

namespace hub {

class AppModel;
class LaunchSplash;
class Rebuilder;
class RootView;
class Spinner;

// The main window: the root view as content, the toolbar with the loading spinner,
// Refresh, and the Cart button with its popover, and at launch the splash over it all.
// Each time its content is shown it starts the model; closing it quits the app.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Of the content below the menu bar and the toolbar.
    static constexpr QSize minimumContentSize{980, 640};
    // The user defaults' keys of the place a window closed with: its rect when not maximized
    // (within the frame, and with it), and whether it was maximized.
    static constexpr const char* placeKey = "mainWindowPlace";
    static constexpr const char* frameKey = "mainWindowFrame";
    static constexpr const char* maximizedKey = "mainWindowMaximized";
    // Where an earlier version kept them, as one.
    static constexpr const char* geometryKey = "mainWindowGeometry";

    MainWindow(AppModel& model, bool splash, QWidget* parent = nullptr);

    RootView* root() const { return root_; }
    QAction* refreshAction() const { return refresh_; }
    QToolButton* cartButton() const { return cart_; }
    // The cart popover, while it is open.
    QFrame* cartPopover() const { return popover_; }
    void toggleCart();
    // The launch splash while it covers the window; once gone it never returns.
    LaunchSplash* splash() const { return splash_; }

    // Whether showing the window starts the model (off for the screenshot windows).
    void setStartsModel(bool starts) { startsModel_ = starts; }
    // Whether closing the window quits the app.
    void setQuitsOnClose(bool quits) { quitsOnClose_ = quits; }
    // Takes the place, size and maximized state that the last window closed with (its frame
    // kept on the screen, never below the minimum), and keeps its own for the next at close.
    void restorePlace();
    // `frame` moved and shrunk to lie within `available`, never below `minimum`; when even
    // that is too large, its top left (the title bar) is the part that stays.
    static QRect fitted(const QRect& frame, const QRect& available, const QSize& minimum);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void rebuildToolbar();

    AppModel& model_;
    RootView* root_;
    Spinner* spinner_;
    QAction* spinnerAction_;
    QAction* refresh_;
    QToolButton* cart_;
    QFrame* popover_ = nullptr;
    LaunchSplash* splash_ = nullptr;
    Rebuilder* rebuild_;
    bool startsModel_ = true;
    bool quitsOnClose_ = true;
    bool keepsPlace_ = false;
};

} // namespace hub
