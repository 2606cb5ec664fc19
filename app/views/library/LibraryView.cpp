#include "app/views/library/LibraryView.h"

#include "app/model/AppModel.h"
#include "app/views/kit/Divider.h"
#include "app/views/kit/EmptyState.h"
#include "app/views/kit/PageHeader.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/SignInPrompt.h"
#include "app/views/kit/SymbolName.h"
#include "app/views/kit/Theme.h"
#include "app/views/library/ConnectStoreCallout.h"
#include "app/views/library/LazyColumn.h"
#include "app/views/library/LibraryRow.h"
#include "app/views/library/ListParts.h"

#include <QButtonGroup>
#include <QFrame>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QStackedLayout>

namespace hub {

using Filter = LibraryPresenter::Filter;
using State = LibraryPresenter::State;

namespace {

// The row with its divider below, inset to the text.
QWidget* holder(LibraryRow* row)
{
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(row);
    column->addWidget(Divider::make(nullptr, 74));
    return box;
}

} // namespace

LibraryView::LibraryView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), rebuilder_(new Rebuilder(this, [this] { rebuild(); })),
      pages_(new QStackedLayout(this)), picker_(new QButtonGroup(this))
{
    setWindowTitle(LibraryPresenter::title);
    pages_->addWidget(new SignInPrompt(model, LibraryPresenter::signInReason, false));
    pages_->addWidget(new EmptyState(LibraryPresenter::emptyTitle, LibraryPresenter::emptyMessage,
        "square.stack.3d.up"_symbol,
        EmptyState::Action{LibraryPresenter::discover, [&model] { model.navigation().setSelection(HubSection::discover); }}));
    pages_->addWidget(makeList());

    rebuilder_->watch(&model.accounts(), &Accounts::storeUserChanged);
    rebuilder_->watch(&model.accounts(), &Accounts::tavrenProfileChanged);
    rebuilder_->watch(&model.accounts(), &Accounts::storeOwnedChanged);
    rebuilder_->watch(&model.catalog(), &StoreCatalog::storefrontChanged);
    rebuilder_->watch(&model.library(), &Library::installedChanged);
    rebuilder_->watch(&model.library(), &Library::releaseNotesChanged);
    rebuild();
}

QWidget* LibraryView::makeList()
{
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(28, 28, 28, 28);
    column->setSpacing(20);

    header_ = new QHBoxLayout;
    auto* picker = new QWidget(content);
    picker->setAccessibleName(QStringLiteral("Show"));
    auto* segments = new QHBoxLayout(picker);
    segments->setContentsMargins(0, 0, 0, 0);
    segments->setSpacing(1);
    for (Filter filter : LibraryPresenter::filters()) {
        auto* segment = new QPushButton(LibraryPresenter::toString(filter), content);
        segment->setCheckable(true);
        segment->setChecked(filter == filter_);
        Theme::setRole(segment, "segment");
        segment->setCursor(Qt::PointingHandCursor);
        picker_->addButton(segment, int(filter));
        segments->addWidget(segment);
    }
    picker_->setExclusive(true);
    // Any change of the checked segment, the accessibility Toggle action's included.
    connect(picker_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            setFilter(Filter(id));
    });
    pageHeader_ = new PageHeader(LibraryPresenter::title, std::nullopt);
    header_->addWidget(pageHeader_, 1, Qt::AlignBottom);
    header_->addWidget(picker, 0, Qt::AlignBottom);
    column->addLayout(header_);

    callout_ = new ConnectStoreCallout(model_, content);
    column->addWidget(callout_);
    rows_ = new LazyColumn([this](const QString& id) { return holder(new LibraryRow(model_, listed_.value(id))); },
        [this](QWidget* box, const QString& id) { box->findChild<LibraryRow*>()->refresh(listed_.value(id)); }, content);
    column->addWidget(rows_);
    column->addStretch(1);
    return ListParts::scrollPage(content);
}

void LibraryView::setFilter(Filter filter)
{
    if (QAbstractButton* segment = picker_->button(int(filter)))
        segment->setChecked(true);
    if (filter == filter_)
        return;
    filter_ = filter;
    rebuilder_->request();
}

void LibraryView::rebuild()
{
    const QList<StorefrontProduct> owned = model_.catalog().ownedProducts();
    LibraryPresenter::Input input{model_.accounts().storeUser().has_value(), model_.accounts().tavrenProfile().has_value(),
        owned, {}, int(model_.library().installed().size()), filter_};
    for (const StorefrontProduct& product : owned)
        if (model_.library().record(product.id))
            input.recorded.insert(product.id);
    screen_ = LibraryPresenter::present(input);
    pages_->setCurrentIndex(int(screen_.state));
    if (screen_.state != State::list)
        return;
    if (shownCount_ != screen_.countLine) {
        delete pageHeader_;
        pageHeader_ = new PageHeader(LibraryPresenter::title, screen_.countLine);
        header_->insertWidget(0, pageHeader_, 1, Qt::AlignBottom);
        shownCount_ = screen_.countLine;
    }
    callout_->setVisible(screen_.showsCallout);
    placeRows();
}

void LibraryView::placeRows()
{
    listed_.clear();
    QStringList ids;
    for (const StorefrontProduct& product : std::as_const(screen_.rows)) {
        listed_.insert(product.id, product);
        ids.append(product.id);
    }
    rows_->setIds(ids);
}

LibraryRow* LibraryView::row(const QString& productId) const
{
    QWidget* box = rows_->row(productId);
    return box ? box->findChild<LibraryRow*>() : nullptr;
}

QStringList LibraryView::shownRows() const
{
    return rows_->ids();
}

} // namespace hub
