#include "app/views/store/FreeView.h"

#include "app/model/AppModel.h"
#include "app/views/kit/ModelActions.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/store/BrowsePresenter.h"
#include "app/views/store/StorePage.h"

#include <QVBoxLayout>

namespace hub {

FreeView::FreeView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), page_(new StorePage(24, this)), rebuild_(new Rebuilder(this, [this] { rebuild(); }))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page_);
    rebuild_->watch(&model_.catalog(), &StoreCatalog::storefrontChanged);
    rebuild_->watch(&model_.accounts(), &Accounts::storeUserChanged);
    rebuild_->watch(&model_.accounts(), &Accounts::storeOwnedChanged);
    rebuild_->watch(&model_.accounts(), &Accounts::tavrenProfileChanged);
    rebuild();
}

void FreeView::rebuild()
{
    page_->fill(ModelActions::of(model_), BrowsePresenter::free(model_.catalog().freeProducts()));
}

} // namespace hub
