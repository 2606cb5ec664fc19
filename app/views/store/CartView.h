#pragma once

#include <QWidget>
#include <functional>

class QVBoxLayout;

namespace hub {

class AppModel;
class Rebuilder;

// The cart popover: the lines with their prices and a button to take each out,
// the total before tax in the chosen currency, and "Check Out" for the whole cart.
class CartView : public QWidget {
    Q_OBJECT

public:
    // `close` takes the popover away; none closes the window the view is in.
    CartView(AppModel& model, std::function<void()> close, QWidget* parent = nullptr);

private:
    void rebuild();
    // The popover follows the content's height.
    void fit();

    AppModel& model_;
    std::function<void()> close_;
    QVBoxLayout* column_;
    Rebuilder* rebuild_;
};

} // namespace hub
