#pragma once

#include "app/model/ProductKind.h"

#include <QWidget>

namespace hub {

class AppModel;
class Rebuilder;
class StoreLoading;
class StorePage;

// Every product of one kind, one shelf per catalog category in shelf order; the
// store placeholder while no storefront is held.
class BrowseView : public QWidget {
    Q_OBJECT

public:
    BrowseView(AppModel& model, ProductKind kind, QWidget* parent = nullptr);

    StorePage* page() const { return page_; }
    StoreLoading* loading() const { return loading_; }

private:
    void rebuild();

    AppModel& model_;
    ProductKind kind_;
    StorePage* page_ = nullptr;
    StoreLoading* loading_ = nullptr;
    Rebuilder* rebuild_;
};

} // namespace hub
