#include "app/views/library/LibraryRow.h"

#include "app/model/AppModel.h"
#include "app/views/kit/Accessibility.h"
#include "app/views/kit/ActionButton.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/ModelActions.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/SymbolName.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace hub {

using Action = LibraryRowPresenter::Action;

LibraryRowPresenter::Input LibraryRow::input(AppModel& model, const StorefrontProduct& product)
{
    LibraryRowPresenter::Input in{product, model.library().record(product.id), {}, model.library().latestVersion(product),
        {}, QTimeZone::systemTimeZone()};
    if (in.record) {
        in.presentItems = in.record->presentItems();
        if (const std::shared_ptr<const InstallEngine>& engine = model.services().pipeline)
            in.systemCopies = engine->systemCopies(in.record->items);
    }
    return in;
}

LibraryRow::LibraryRow(AppModel& model, const StorefrontProduct& product, QWidget* parent)
    : QWidget(parent), model_(model), product_(product), icon_(new ProductIcon(product.iconUrl, product.name, 58, this)),
      name_(Labels::plain(product.name, TextStyle::headline, this)),
      status_(Labels::secondary(Labels::plain({}, TextStyle::caption, this))),
      warning_(new QWidget(this)),
      action_(new ActionButton(ModelActions::of(model), product, false, this)), more_(new QToolButton(this)),
      menu_(new QMenu(this))
{
    setCursor(Qt::PointingHandCursor);
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(0, 10, 0, 10);
    line->setSpacing(14);
    line->addWidget(icon_);

    auto* column = new QVBoxLayout;
    column->setSpacing(3);
    column->addStretch(1);
    column->addWidget(name_);
    column->addWidget(status_);
    auto* caution = new QHBoxLayout(warning_);
    caution->setContentsMargins(0, 0, 0, 0);
    caution->setSpacing(4);
    auto* symbol = new QLabel(warning_);
    symbol->setPixmap(Symbols::pixmap("exclamationmark.triangle"_symbol, 12, Theme::systemOrange()));
    Accessibility::hide(symbol); // the words say it
    caution->addWidget(symbol);
    QLabel* words = Labels::plain(LibraryRowPresenter::warning, TextStyle::caption, warning_);
    Labels::setColor(words, Theme::systemOrange());
    caution->addWidget(words);
    caution->addStretch(1);
    column->addWidget(warning_);
    column->addStretch(1);
    line->addLayout(column);
    line->addStretch(1);
    line->addWidget(action_, 0, Qt::AlignVCenter);

    more_->setIcon(Symbols::pixmap("ellipsis.circle"_symbol, 20, Theme::secondary()));
    more_->setIconSize(QSize(20, 20));
    more_->setAutoRaise(true);
    more_->setPopupMode(QToolButton::InstantPopup);
    Theme::setRole(more_, "symbol");
    more_->setMenu(menu_);
    more_->setCursor(Qt::ArrowCursor);
    line->addWidget(more_, 0, Qt::AlignVCenter);
    refresh(product);
}

void LibraryRow::refresh(const StorefrontProduct& product)
{
    const LibraryRowPresenter::Input in = input(model_, product);
    const LibraryRowPresenter::Row row = LibraryRowPresenter::present(in);
    const bool menuChanged = row.menu != row_.menu || row.menuLabel != row_.menuLabel || product.id != product_.id;
    product_ = product;
    icon_->setProduct(product.iconUrl, product.name);
    name_->setText(product.name);
    status_->setText(row.status);
    warning_->setVisible(row.warningToolTip.has_value());
    Labels::setToolTip(warning_, row.warningToolTip.value_or(QString()));
    action_->setProduct(product);
    more_->setAccessibleName(row.menuLabel);
    more_->setToolTip(row.menuLabel);
    row_ = row;
    if (menuChanged || menu_->isEmpty())
        fillMenu();
}

void LibraryRow::fillMenu()
{
    menu_->clear();
    for (const LibraryRowPresenter::Entry& entry : row_.menu) {
        if (!entry.action) {
            menu_->addSeparator();
            continue;
        }
        QAction* item = menu_->addAction(entry.title);
        item->setEnabled(entry.enabled);
        if (entry.destructive)
            item->setProperty("destructive", true);
        connect(item, &QAction::triggered, this, [this, action = *entry.action] { run(action); });
    }
}

void LibraryRow::run(Action action)
{
    switch (action) {
    case Action::open:
        if (const std::optional<InstallRecord> record = model_.library().record(product_.id))
            model_.library().openApp(*record);
        break;
    case Action::reveal:
        if (const std::optional<InstallRecord> record = model_.library().record(product_.id))
            model_.library().reveal(*record);
        break;
    case Action::reinstall:
        model_.queue().install(product_, std::nullopt, false);
        break;
    case Action::moveToTrash:
        model_.queue().uninstall(product_.id);
        break;
    case Action::check:
        model_.queue().install(product_, std::nullopt, true);
        break;
    case Action::viewInStore:
        model_.navigation().show(product_.id);
        break;
    }
}

void LibraryRow::mousePressEvent(QMouseEvent* event)
{
    event->setAccepted(event->button() == Qt::LeftButton);
}

void LibraryRow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        model_.navigation().show(product_.id);
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

} // namespace hub
