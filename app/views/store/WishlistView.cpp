#include "app/views/store/WishlistView.h"

#include "app/model/AppModel.h"
#include "app/views/kit/EmptyState.h"
#include "app/views/kit/ModelActions.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"
#include "app/views/store/BrowsePresenter.h"
#include "app/views/store/StorePage.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace hub {

WishlistView::WishlistView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), rebuild_(new Rebuilder(this, [this] { rebuild(); }))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    rebuild_->watch(&model_.catalog(), &StoreCatalog::storefrontChanged);
    rebuild_->watch(&model_.preferences(), &Preferences::wishlistChanged);
    rebuild_->watch(&model_.accounts(), &Accounts::storeUserChanged);
    rebuild_->watch(&model_.accounts(), &Accounts::storeOwnedChanged);
    rebuild_->watch(&model_.accounts(), &Accounts::tavrenProfileChanged);
    rebuild();
}

void WishlistView::rebuild()
{
    const StoreCatalog& catalog = model_.catalog();
    const BrowsePresenter::Wishlist list = BrowsePresenter::wishlist(catalog.products(), model_.preferences().wishlist(),
        [&catalog](const QString& id) { return catalog.owns(id); });
    AppModel* model = &model_;
    if (list.empty) {
        if (!page_ && shown_)
            return; // the empty state already shows
        delete shown_;
        page_ = nullptr;
        shown_ = new EmptyState(QStringLiteral("Your wishlist is empty"),
            QStringLiteral("Tap the heart on any product to keep it here for later."), QStringLiteral("heart"),
            EmptyState::Action{QStringLiteral("Discover"), [model] { model->navigation().setSelection(HubSection::discover); }},
            this);
        layout()->addWidget(shown_);
        return;
    }
    if (!page_) {
        delete shown_;
        shown_ = page_ = new StorePage(24, this);
        layout()->addWidget(page_);
    }
    page_->fill(ModelActions::of(model_), list.page);
    if (!list.addAll)
        return;
    auto* button = new QPushButton(*list.addAll);
    button->setIcon(QIcon(Symbols::pixmap(QStringLiteral("cart.badge.plus"), 16, Theme::primary(), devicePixelRatio())));
    button->setMinimumHeight(32);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // The products of this rebuild, whatever changes before the press.
    connect(button, &QPushButton::clicked, this, [model, buyable = list.buyable] {
        for (const StorefrontProduct& product : buyable)
            model->cart().addToCart(product);
    });
    page_->column()->addWidget(button, 0, Qt::AlignLeft);
}

} // namespace hub
