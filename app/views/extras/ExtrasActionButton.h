#pragma once

#include "app/views/extras/ExtrasItemPresenter.h"
#include "app/views/kit/ControlSlot.h"
#include "kit/api/ExtrasItem.h"

namespace hub {

class AppModel;
class Rebuilder;

// An extras item's action, chosen by its install route: the store's action button,
// a pill that opens the release page in the browser, or "Soon". It decides again
// when the storefront changes, and only replaces its content when the decision did.
// Its content: an ActionButton, a Pill, a label, or none.
class ExtrasActionButton : public ControlSlot {
    Q_OBJECT

public:
    ExtrasActionButton(AppModel& model, const ExtrasItem& item, bool large, QWidget* parent = nullptr);

    void setItem(const ExtrasItem& item);
    const ExtrasItemPresenter::Action& action() const { return action_; }

private:
    void rebuild();
    QWidget* make(const ExtrasItemPresenter::Action& action);

    AppModel& model_;
    ExtrasItem item_;
    bool large_;
    Rebuilder* rebuilder_;
    ExtrasItemPresenter::Action action_;
    bool built_ = false;
};

} // namespace hub
