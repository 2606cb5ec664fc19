#pragma once

#include "app/views/kit/ActionButtonPresenter.h"
#include "app/views/kit/ControlSlot.h"
#include "kit/api/StorefrontProduct.h"

namespace hub {

class ProductActions;
class Rebuilder;

// The one action control of a product (Part of every tile, row and page header):
// the presenter's decision drawn as a pill, a menu of downloads or the progress
// pill, shown as its content. It decides again once per turn of the event loop after a change, and only
// replaces its content when the decision changed.
class ActionButton : public ControlSlot {
    Q_OBJECT

public:
    ActionButton(ProductActions& actions, const StorefrontProduct& product, bool large, QWidget* parent = nullptr);

    void setProduct(const StorefrontProduct& product);
    const ActionButtonPresenter::State& state() const { return state_; }
    // How many times the content was replaced (tests).
    int replacements() const { return replacements_; }

private:
    void rebuild();
    QWidget* make(const ActionButtonPresenter::State& state);
    void press(ActionButtonPresenter::Kind kind);

    ProductActions& actions_;
    StorefrontProduct product_;
    bool large_;
    Rebuilder* rebuilder_;
    ActionButtonPresenter::State state_;
    int replacements_ = 0;
    bool built_ = false;
};

} // namespace hub
