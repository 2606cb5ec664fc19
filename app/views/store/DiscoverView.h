#pragma once

#include <QWidget>

namespace hub {

class AppModel;
class HeroCarousel;
class Rebuilder;
class StoreLoading;
class StorePage;

// The store home: today's date, the featured carousel and the shelves that lead to
// each section; the store placeholder while no storefront is held. The first time
// its content is on view, the launch clock hears of it.
class DiscoverView : public QWidget {
    Q_OBJECT

public:
    explicit DiscoverView(AppModel& model, QWidget* parent = nullptr);

    // Null while the placeholder shows.
    StorePage* page() const { return page_; }
    HeroCarousel* carousel() const { return carousel_; }
    StoreLoading* loading() const { return loading_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    void fill();
    void reportFirstContent();

    AppModel& model_;
    StorePage* page_ = nullptr;
    HeroCarousel* carousel_ = nullptr;
    StoreLoading* loading_ = nullptr;
    Rebuilder* rebuild_;
};

} // namespace hub
