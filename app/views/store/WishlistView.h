#pragma once

#include <QWidget>

namespace hub {

class AppModel;
class Rebuilder;
class StorePage;

// The saved products, with a button that puts every one that can be bought into
// the cart; an empty state that leads back to Discover when nothing saved is listed.
class WishlistView : public QWidget {
    Q_OBJECT

public:
    explicit WishlistView(AppModel& model, QWidget* parent = nullptr);

    StorePage* page() const { return page_; }

private:
    void rebuild();

    AppModel& model_;
    QWidget* shown_ = nullptr;
    StorePage* page_ = nullptr;
    Rebuilder* rebuild_;
};

} // namespace hub
