#pragma once

#include <QWidget>

namespace hub {

class AppModel;
class Rebuilder;
class StorePage;

// The free products in one shelf. It does not wait for the storefront: without one
// only the header shows.
class FreeView : public QWidget {
    Q_OBJECT

public:
    explicit FreeView(AppModel& model, QWidget* parent = nullptr);

    StorePage* page() const { return page_; }

private:
    void rebuild();

    AppModel& model_;
    StorePage* page_;
    Rebuilder* rebuild_;
};

} // namespace hub
