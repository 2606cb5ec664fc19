#include "app/views/store/DiscoverView.h"

#include "app/model/AppModel.h"
#include "app/views/extras/ExtrasShelf.h"
#include "app/views/kit/LaunchClock.h"
#include "app/views/kit/ModelActions.h"
#include "app/views/kit/PageHeader.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/Shelf.h"
#include "app/views/store/DiscoverPresenter.h"
#include "app/views/store/HeroCarousel.h"
#include "app/views/store/StoreLoading.h"
#include "app/views/store/StorePage.h"

#include <QEvent>
#include <QVBoxLayout>

namespace hub {

DiscoverView::DiscoverView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), rebuild_(new Rebuilder(this, [this] { rebuild(); }))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    rebuild_->watch(&model_.catalog(), &StoreCatalog::storefrontChanged);
    rebuild_->watch(&model_.catalog(), &StoreCatalog::storefrontIsCachedChanged);
    rebuild_->watch(&model_.catalog(), &StoreCatalog::extrasChanged);
    rebuild_->watch(&model_.accounts(), &Accounts::storeUserChanged);
    rebuild_->watch(&model_.accounts(), &Accounts::storeOwnedChanged);
    rebuild_->watch(&model_.accounts(), &Accounts::tavrenProfileChanged);
    rebuild_->watch(&model_.library(), &Library::installedChanged);
    rebuild_->watch(&model_.library(), &Library::releaseNotesChanged);
    rebuild();
}

void DiscoverView::rebuild()
{
    if (!model_.catalog().storefront()) {
        if (page_) {
            page_->deleteLater();
            page_ = nullptr;
            carousel_ = nullptr;
        }
        if (!loading_) {
            loading_ = new StoreLoading(model_, this);
            layout()->addWidget(loading_);
        }
        return;
    }
    if (loading_) {
        loading_->hide();
        loading_->deleteLater();
        loading_ = nullptr;
    }
    if (!page_) {
        page_ = new StorePage(34, this);
        page_->installEventFilter(this);
        carousel_ = new HeroCarousel(model_, page_);
        page_->add(carousel_);
        layout()->addWidget(page_);
    }
    fill();
    // A page made in a shown window shows now, not on a later turn of the event loop
    // (where a change arriving meanwhile would have it filled twice before it shows).
    if (isVisible() && page_->isHidden())
        page_->show();
    reportFirstContent();
}

void DiscoverView::fill()
{
    const StoreCatalog& catalog = model_.catalog();
    DiscoverPresenter::Input input;
    input.storefront = catalog.storefront()->products;
    input.products = catalog.products();
    input.updates = model_.library().updatesAvailable();
    input.plugIns = catalog.products(ProductKind::plugIn);
    input.apps = catalog.products(ProductKind::app);
    input.free = catalog.freeProducts();
    if (const std::optional<CatalogExtras>& extras = catalog.extras()) {
        input.freeTools = extras->freeTools();
        input.earlyAccess = extras->earlyAccess();
    }
    input.owns = [&catalog](const QString& id) { return catalog.owns(id); };
    input.signedIn = model_.accounts().storeUser() || model_.accounts().tavrenProfile();
    const DiscoverPresenter::Screen screen = DiscoverPresenter::present(input);

    page_->clear({carousel_});
    page_->column()->insertWidget(0, new PageHeader(QStringLiteral("Discover"),
        DiscoverPresenter::dateText(QDateTime::currentDateTime(), {}), page_));
    carousel_->setProducts(screen.featured);

    AppModel* model = &model_;
    for (const DiscoverPresenter::Shelf& shelf : screen.shelves) {
        std::function<void()> seeAll;
        if (shelf.seeAll)
            seeAll = [model, section = *shelf.seeAll] { model->navigation().setSelection(section); };
        if (shelf.extras)
            page_->add(new ExtrasShelf(model_, shelf.title, shelf.subtitle, shelf.items, seeAll, page_));
        else
            page_->add(new Shelf(ModelActions::of(model_), shelf.title, shelf.subtitle, shelf.products, seeAll, page_));
    }
}

bool DiscoverView::eventFilter(QObject* watched, QEvent* event)
{
    // On screen means painted.
    if (watched == page_ && event->type() == QEvent::Paint)
        reportFirstContent();
    return QWidget::eventFilter(watched, event);
}

void DiscoverView::reportFirstContent()
{
    if (page_ && page_->isVisible())
        LaunchClock::process().firstContent(model_.catalog().storefrontIsCached() ? QStringLiteral("cache") : QStringLiteral("network"));
}

} // namespace hub
