#include "app/views/extras/ExtrasShelfPage.h"

#include "app/model/AppModel.h"
#include "app/views/extras/ExtrasShelf.h"
#include "app/views/extras/ExtrasShelfPresenter.h"
#include "app/views/kit/EmptyState.h"
#include "app/views/kit/PageHeader.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/ScrollPage.h"

#include <QVBoxLayout>

namespace hub {

ExtrasShelfPage::ExtrasShelfPage(AppModel& model, ExtrasItem::Shelf shelf, QWidget* parent)
    : QWidget(parent), model_(model), shelf_(shelf), rebuilder_(new Rebuilder(this, [this] { rebuild(); }))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    rebuilder_->watch(&model_.catalog(), &StoreCatalog::extrasChanged);
    rebuild();
}

void ExtrasShelfPage::rebuild()
{
    const QList<ExtrasItem> items = ExtrasShelfPresenter::shelfItems(model_.catalog().extras(shelf_));
    // Another shelf's change keeps this one, its scroll position and focus.
    if (content_ && items == items_)
        return;
    items_ = items;
    const ExtrasShelfPresenter::Page page = ExtrasShelfPresenter::page(shelf_, items.size());
    setWindowTitle(page.title);
    delete content_;
    if (page.empty) {
        content_ = new EmptyState(page.emptyTitle, page.emptyMessage, page.symbol, std::nullopt, this);
    } else {
        auto* body = new QWidget;
        auto* column = new QVBoxLayout(body);
        column->setContentsMargins(28, 28, 28, 28);
        column->setSpacing(24);
        column->addWidget(new PageHeader(page.title, page.subtitle, body));
        column->addWidget(new ExtrasShelf(model_, page.shelfTitle, std::nullopt, items, {}, body));
        column->addStretch(1);
        content_ = ScrollPage::make(body, this);
    }
    layout()->addWidget(content_);
}

} // namespace hub
