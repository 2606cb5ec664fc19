#include "app/views/kit/ActionButton.h"

#include "app/views/kit/Pill.h"
#include "app/views/kit/ProductActions.h"
#include "app/views/kit/ProgressPill.h"
#include "app/views/kit/Rebuilder.h"

#include <QMenu>

namespace hub {

using Kind = ActionButtonPresenter::Kind;

ActionButton::ActionButton(ProductActions& actions, const StorefrontProduct& product, bool large, QWidget* parent)
    : ControlSlot(parent), actions_(actions), product_(product), large_(large),
      rebuilder_(new Rebuilder(this, [this] { rebuild(); }))
{
    rebuilder_->watch(&actions_, &ProductActions::changed);
    rebuild();
}

void ActionButton::setProduct(const StorefrontProduct& product)
{
    if (product == product_)
        return;
    product_ = product;
    built_ = false; // the menu and the price belong to the product
    rebuilder_->request();
}

void ActionButton::rebuild()
{
    const ActionButtonPresenter::State state = ActionButtonPresenter::decide(actions_.input(product_));
    if (built_ && state == state_)
        return;
    built_ = true;
    state_ = state;
    replace(make(state));
    ++replacements_;
}

QWidget* ActionButton::make(const ActionButtonPresenter::State& state)
{
    switch (state.kind) {
    case Kind::nothing:
        return nullptr;
    case Kind::progress:
        return new ProgressPill(actions_, product_.id, product_.name, large_, this);
    default:
        break;
    }
    auto* pill = new Pill(state.title, state.symbol, large_, this);
    pill->setEnabled(state.enabled);
    pill->setAccessibleDescription(product_.name); // "Install" ten times in a list reads whose
    if (state.menu.isEmpty()) {
        connect(pill, &Pill::clicked, this, [this, kind = state.kind] { press(kind); });
        return pill;
    }
    // Two or more downloads: a menu of them, without tooltip.
    pill->setToolTip({});
    auto* menu = new QMenu(pill);
    for (const ActionButtonPresenter::Choice& choice : state.menu) {
        QAction* item = menu->addAction(choice.title);
        connect(item, &QAction::triggered, this, [this, key = choice.key] {
            for (const Download& download : product_.macDownloads()) {
                if (download.key == key) {
                    actions_.install(product_, download);
                    return;
                }
            }
        });
    }
    connect(pill, &Pill::clicked, menu, [pill, menu] { menu->popup(pill->mapToGlobal(QPoint(0, pill->height()))); });
    return pill;
}

void ActionButton::press(Kind kind)
{
    switch (kind) {
    case Kind::resume:
        actions_.resume(product_.id);
        break;
    case Kind::install:
    case Kind::update:
        actions_.install(product_, std::nullopt);
        break;
    case Kind::open:
        if (const std::optional<InstallRecord> record = actions_.record(product_.id))
            actions_.openApp(*record);
        break;
    case Kind::get:
    case Kind::price:
        if (product_.defaultVariation)
            actions_.buy(product_);
        break;
    default:
        break;
    }
}

} // namespace hub
