#include "app/views/extras/ExtrasActionButton.h"

#include "app/model/AppModel.h"
#include "app/views/kit/ActionButton.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/ModelActions.h"
#include "app/views/kit/Pill.h"
#include "app/views/kit/Rebuilder.h"

namespace hub {

using Kind = ExtrasItemPresenter::Action::Kind;

ExtrasActionButton::ExtrasActionButton(AppModel& model, const ExtrasItem& item, bool large, QWidget* parent)
    : ControlSlot(parent), model_(model), item_(item), large_(large), rebuilder_(new Rebuilder(this, [this] { rebuild(); }))
{
    rebuilder_->watch(&model_.catalog(), &StoreCatalog::storefrontChanged);
    rebuild();
}

void ExtrasActionButton::setItem(const ExtrasItem& item)
{
    if (item == item_)
        return;
    item_ = item;
    rebuilder_->request();
}

void ExtrasActionButton::rebuild()
{
    const StoreCatalog& catalog = model_.catalog();
    const ExtrasItem::InstallRoute route = catalog.route(item_);
    const bool inStore = route.kind == ExtrasItem::InstallRoute::Kind::hub && catalog.storeProduct(route.productId);
    const ExtrasItemPresenter::Action action = ExtrasItemPresenter::action(route, inStore);
    if (built_ && action == action_) {
        // The store's button follows its product's other changes itself.
        if (auto* store = qobject_cast<ActionButton*>(content()))
            store->setProduct(*catalog.storeProduct(action.productId));
        return;
    }
    built_ = true;
    action_ = action;
    replace(make(action));
}

QWidget* ExtrasActionButton::make(const ExtrasItemPresenter::Action& action)
{
    switch (action.kind) {
    case Kind::nothing:
        return nullptr;
    case Kind::store:
        return new ActionButton(ModelActions::of(model_), *model_.catalog().storeProduct(action.productId), large_, this);
    case Kind::soon:
        return Labels::secondary(Labels::plain(action.title, TextStyle::caption, this, QFont::DemiBold));
    case Kind::browser:
        break;
    }
    auto* pill = new Pill(action.title, action.symbol, large_, this);
    pill->setSymbolTrailing(true);
    pill->setToolTip(action.help);
    pill->setAccessibleDescription(item_.name); // "View" in a shelf reads whose
    connect(pill, &Pill::clicked, this, [this, url = action.url] {
        if (model_.services().openURL)
            model_.services().openURL(url);
    });
    return pill;
}

} // namespace hub
