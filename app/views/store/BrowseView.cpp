#include "app/views/store/BrowseView.h"

#include "app/model/AppModel.h"
#include "app/model/Catalog.h"
#include "app/views/kit/ModelActions.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/store/BrowsePresenter.h"
#include "app/views/store/StoreLoading.h"
#include "app/views/store/StorePage.h"

#include <QVBoxLayout>

namespace hub {

BrowseView::BrowseView(AppModel& model, ProductKind kind, QWidget* parent)
    : QWidget(parent), model_(model), kind_(kind), rebuild_(new Rebuilder(this, [this] { rebuild(); }))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    rebuild_->watch(&model_.catalog(), &StoreCatalog::storefrontChanged);
    rebuild_->watch(&model_.accounts(), &Accounts::storeUserChanged);
    rebuild_->watch(&model_.accounts(), &Accounts::storeOwnedChanged);
    rebuild_->watch(&model_.accounts(), &Accounts::tavrenProfileChanged);
    rebuild();
}

void BrowseView::rebuild()
{
    if (!model_.catalog().storefront()) {
        delete page_;
        page_ = nullptr;
        if (!loading_) {
            loading_ = new StoreLoading(model_, this);
            layout()->addWidget(loading_);
        }
        return;
    }
    delete loading_;
    loading_ = nullptr;
    if (!page_) {
        page_ = new StorePage(34, this);
        layout()->addWidget(page_);
    }
    const BrowsePresenter::Page screen = BrowsePresenter::browse(kind_, model_.catalog().products(kind_),
        [](const QString& id) { return Catalog::entry(id).category; });
    page_->fill(ModelActions::of(model_), screen);
}

} // namespace hub
