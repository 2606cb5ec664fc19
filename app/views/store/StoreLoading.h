#pragma once

#include <QWidget>

namespace hub {

class AppModel;
class Rebuilder;

// What the store screens show while no storefront is held: the pulsing skeleton
// while a refresh runs, else "Store unavailable" with a button that loads the
// storefront again.
class StoreLoading : public QWidget {
    Q_OBJECT

public:
    explicit StoreLoading(AppModel& model, QWidget* parent = nullptr);

    // The skeleton or the empty state.
    QWidget* face() const { return face_; }

private:
    void rebuild();

    AppModel& model_;
    QWidget* face_ = nullptr;
    Rebuilder* rebuild_;
};

} // namespace hub
