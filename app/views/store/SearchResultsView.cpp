#include "app/views/store/SearchResultsView.h"

#include "app/model/AppModel.h"
#include "app/views/extras/ExtrasShelf.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/ModelActions.h"
#include "app/views/kit/PageHeader.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/Shelf.h"
#include "app/views/store/SearchResultsPresenter.h"
#include "app/views/store/StorePage.h"

#include <QVBoxLayout>

namespace hub {

SearchResultsView::SearchResultsView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), page_(new StorePage(16, this)), rebuild_(new Rebuilder(this, [this] { rebuild(); }))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page_);
    rebuild_->watch(&model_.navigation(), &Navigation::searchChanged);
    rebuild_->watch(&model_.catalog(), &StoreCatalog::searchIndexChanged);
    rebuild_->watch(&model_.catalog(), &StoreCatalog::extrasChanged);
    rebuild_->watch(&model_.accounts(), &Accounts::storeUserChanged);
    rebuild_->watch(&model_.accounts(), &Accounts::storeOwnedChanged);
    rebuild_->watch(&model_.accounts(), &Accounts::tavrenProfileChanged);
    rebuild();
}

void SearchResultsView::rebuild()
{
    const QString search = model_.navigation().search();
    const SearchResultsPresenter::Screen screen = SearchResultsPresenter::present(
        search, model_.catalog().searchResults(search), model_.catalog().searchExtras(search));
    page_->clear();
    QWidget* content = page_->widget();
    page_->add(new PageHeader(screen.title, screen.subtitle, content));
    if (screen.nothing) {
        page_->add(Labels::secondary(Labels::plain(*screen.nothing, TextStyle::body, content)));
        return;
    }
    if (!screen.products.isEmpty())
        page_->add(new Shelf(ModelActions::of(model_), screen.storeTitle, std::nullopt, screen.products, {}, content));
    if (!screen.items.isEmpty())
        page_->add(new ExtrasShelf(model_, screen.extrasTitle, std::nullopt, screen.items, {}, content));
}

} // namespace hub
