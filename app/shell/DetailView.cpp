#include "app/shell/DetailView.h"

#include "app/model/AppModel.h"
#include "app/shell/RootPresenter.h"
#include "app/shell/Screens.h"
#include "app/views/kit/CrossFade.h"
#include "app/views/kit/EmptyState.h"
#include "app/views/kit/Rebuilder.h"

#include <QHBoxLayout>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace hub {

namespace {

RootPresenter::Destination resolve(const AppModel& model, const QString& entry)
{
    return RootPresenter::destination(
        entry, [&](const QString& id) { return model.catalog().storeProduct(id).has_value(); },
        [&](const QString& id) { return model.catalog().extrasItem(id).has_value(); });
}

} // namespace

DetailView::DetailView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), back_(new QToolButton(this)), stack_(new QStackedWidget(this)),
      rebuild_(new Rebuilder(this, [this] { rebuild(); }))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(8, 4, 8, 4);
    back_->setText(QStringLiteral("Back"));
    back_->setArrowType(Qt::LeftArrow);
    back_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    back_->setAutoRaise(true);
    bar->addWidget(back_);
    bar->addStretch();
    layout->addLayout(bar);
    layout->addWidget(stack_, 1);

    connect(back_, &QToolButton::clicked, &model_.navigation(), &Navigation::goBack);
    rebuild_->watch(&model_.navigation(), &Navigation::selectionChanged);
    rebuild_->watch(&model_.navigation(), &Navigation::pathChanged);
    rebuild_->watch(&model_.navigation(), &Navigation::searchChanged);
    rebuild_->watch(&model_.catalog(), &StoreCatalog::storefrontChanged);
    rebuild_->watch(&model_.catalog(), &StoreCatalog::extrasChanged);
    rebuild();
}

QStringList DetailView::pageKeys() const
{
    QStringList keys;
    for (const Shown& page : pages_)
        keys.append(page.key);
    return keys;
}

QWidget* DetailView::current() const
{
    return stack_->currentWidget();
}

QString DetailView::pageKey(const QString& entry) const
{
    return entry + u'#' + QString::number(static_cast<int>(resolve(model_, entry).kind));
}

QWidget* DetailView::makePage(const QString& entry) const
{
    const RootPresenter::Destination destination = resolve(model_, entry);
    switch (destination.kind) {
    case RootPresenter::Destination::Kind::product:
        return Screens::productPage(*model_.catalog().storeProduct(destination.id), model_, stack_);
    case RootPresenter::Destination::Kind::extra:
        return Screens::extrasItemPage(*model_.catalog().extrasItem(destination.id), model_, stack_);
    case RootPresenter::Destination::Kind::notInStore:
    case RootPresenter::Destination::Kind::notAvailable:
        break;
    }
    const RootPresenter::EmptyText empty = RootPresenter::emptyText(destination.kind);
    return new EmptyState(empty.title, empty.message, empty.symbol, std::nullopt, stack_);
}

void DetailView::replace(Shown& shown, const QString& key, QWidget* widget)
{
    if (shown.widget) {
        stack_->removeWidget(shown.widget);
        shown.widget->deleteLater();
    }
    shown = Shown{key, widget};
    stack_->addWidget(widget);
}

void DetailView::rebuild()
{
    const Navigation& navigation = model_.navigation();
    const bool search = RootPresenter::showsSearchResults(navigation.search());
    const HubSection section = RootPresenter::rootSection(navigation.selection());
    const QString rootKey = search ? QStringLiteral("search") : toString(section);
    CrossFade* fade = nullptr;
    if (rootKey != root_.key) {
        // Another section replaces the screen with a cross-fade.
        if (!search && !root_.key.isEmpty() && root_.key != QStringLiteral("search"))
            fade = CrossFade::start(stack_, 180);
        replace(root_, rootKey, search ? Screens::searchResults(model_, stack_) : Screens::section(section, model_, stack_));
    }

    // Pages are kept while their entry and what it resolves to stay the same.
    const QStringList& path = navigation.path();
    qsizetype kept = 0;
    while (kept < pages_.size() && kept < path.size() && pages_.at(kept).key == pageKey(path.at(kept)))
        ++kept;
    while (pages_.size() > kept) {
        Shown dropped = pages_.takeLast();
        stack_->removeWidget(dropped.widget);
        dropped.widget->deleteLater();
    }
    for (qsizetype at = kept; at < path.size(); ++at) {
        Shown page;
        replace(page, pageKey(path.at(at)), makePage(path.at(at)));
        pages_.append(page);
    }
    stack_->setCurrentWidget(pages_.isEmpty() ? root_.widget : pages_.last().widget);
    if (fade)
        fade->raise(); // the stack raises its current page
    back_->setEnabled(!path.isEmpty());
    back_->setVisible(!path.isEmpty());
    if (const QString title = currentTitle(); title != title_) {
        title_ = title;
        emit navigationTitleChanged();
    }
}

QString DetailView::currentTitle() const
{
    const Navigation& navigation = model_.navigation();
    if (!navigation.path().isEmpty()) {
        const RootPresenter::Destination destination = resolve(model_, navigation.path().last());
        if (destination.kind == RootPresenter::Destination::Kind::product)
            return model_.catalog().storeProduct(destination.id)->name;
        if (destination.kind == RootPresenter::Destination::Kind::extra)
            return model_.catalog().extrasItem(destination.id)->name;
        return {};
    }
    if (RootPresenter::showsSearchResults(navigation.search()))
        return QStringLiteral("Search");
    const HubSection section = RootPresenter::rootSection(navigation.selection());
    if (RootPresenter::waitsForStorefront(section) && !model_.catalog().storefront())
        return {}; // the store placeholder has no title
    return title(section);
}

} // namespace hub
