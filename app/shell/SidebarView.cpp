#include "app/shell/SidebarView.h"

#include "app/model/AppModel.h"
#include "app/shell/RootPresenter.h"
#include "app/shell/SidebarBadgeDelegate.h"
#include "app/shell/SidebarPresenter.h"
#include "app/views/kit/AccountFooter.h"
#include "app/views/kit/BetaBadge.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/SearchField.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"
#include "app/views/kit/Wordmark.h"

#include <QAccessible>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace hub {

namespace {

constexpr int sectionRole = Qt::UserRole + 3;

// A list that, for assistive technology, hands the focus it takes to its current row:
// the row is what the arrow keys move on from.
class SectionList : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    void focusInEvent(QFocusEvent* event) override
    {
        QListWidget::focusInEvent(event);
        // After the list's own focus event, which comes once this returns.
        QMetaObject::invokeMethod(this, [this] {
            if (!hasFocus() || !currentIndex().isValid())
                return;
            QAccessibleEvent focus(this, QAccessible::Focus);
            focus.setChild(currentRow());
            QAccessible::updateAccessibility(&focus);
        }, Qt::QueuedConnection);
    }
};

} // namespace

SidebarView::SidebarView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), search_(new SearchField(this)), list_(new SectionList(this)),
      rebuild_(new Rebuilder(this, [this] { rebuild(); }))
{
    setMinimumWidth(210);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(18, 8, 18, 8);
    header->setSpacing(8);
    header->addWidget(new Wordmark(30, this));
    header->addWidget(new BetaBadge(Theme::accent(), this));
    header->addStretch();
    layout->addLayout(header);

    search_->setPlaceholderText(QStringLiteral("Search"));
    auto* searchRow = new QHBoxLayout;
    searchRow->setContentsMargins(10, 0, 10, 6);
    searchRow->addWidget(search_);
    layout->addLayout(searchRow);

    list_->setAccessibleName(QStringLiteral("Sections"));
    list_->setItemDelegate(new SidebarBadgeDelegate(list_));
    list_->setFrameShape(QFrame::NoFrame);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setIconSize(QSize(16, 16));
    layout->addWidget(list_, 1);

    auto* footerRow = new QHBoxLayout;
    footerRow->setContentsMargins(10, 10, 10, 10);
    footerRow->addWidget(new AccountFooter(model_, this));
    layout->addLayout(footerRow);

    connect(search_, &QLineEdit::textEdited, this, [this](const QString& text) { model_.navigation().setSearch(text); });
    connect(search_, &QLineEdit::returnPressed, this, &SidebarView::submitSearch);
    connect(list_, &QListWidget::itemSelectionChanged, this, &SidebarView::chosen);
    // A click on the row already selected chooses it again.
    connect(list_, &QListWidget::itemClicked, this, &SidebarView::chosen);
    connect(list_, &QListWidget::itemActivated, this, &SidebarView::chosen);

    rebuild_->watch(&model_.navigation(), &Navigation::selectionChanged);
    rebuild_->watch(&model_.navigation(), &Navigation::searchChanged);
    rebuild_->watch(&model_.catalog(), &StoreCatalog::extrasChanged);
    rebuild_->watch(&model_.catalog(), &StoreCatalog::storefrontChanged);
    rebuild_->watch(&model_.library(), &Library::updatesAvailableChanged);
    rebuild_->watch(&model_.preferences(), &Preferences::wishlistChanged);
    rebuild_->watch(&model_.queue(), &InstallQueue::jobsChanged);
    rebuild();
}

void SidebarView::rebuild()
{
    const StoreCatalog& catalog = model_.catalog();
    SidebarPresenter::Input input;
    if (const std::optional<CatalogExtras>& extras = catalog.extras()) {
        input.freeTools = extras->freeTools().size();
        input.earlyAccess = extras->earlyAccess().size();
    }
    input.updates = model_.library().updatesAvailable().size();
    input.wishlist = model_.preferences().wishlist().size();
    QList<InstallStage> stages;
    for (InstallJob* job : model_.queue().jobs()) {
        stages.append(job->stage());
        connect(job, &InstallJob::stageChanged, rebuild_, &Rebuilder::request, Qt::UniqueConnection);
    }
    input.activeJobs = SidebarPresenter::activeJobs(stages);
    input.selection = model_.navigation().selection();
    const SidebarPresenter::Screen screen = SidebarPresenter::present(input);

    rebuilding_ = true;
    // The rows are made again only when they change, so the current row (where the
    // arrow keys start) stays where the user left it.
    QStringList keys;
    for (const SidebarPresenter::Row& row : screen.rows)
        keys.append(row.section ? toString(*row.section) : row.title);
    if (keys != rowKeys_) {
        rowKeys_ = keys;
        list_->clear();
        for (const SidebarPresenter::Row& row : screen.rows) {
            auto* item = new QListWidgetItem(row.title, list_);
            if (!row.section) {
                item->setFlags(Qt::NoItemFlags); // the arrow keys pass over it
                item->setData(SidebarBadgeDelegate::headerRole, true);
                continue;
            }
            item->setData(sectionRole, toString(*row.section));
            QIcon icon(Symbols::pixmap(row.symbol, 16, Theme::accent(), devicePixelRatio()));
            icon.addPixmap(Symbols::pixmap(row.symbol, 16, Qt::white, devicePixelRatio()), QIcon::Selected);
            item->setIcon(icon);
        }
    }
    for (int at = 0; at < list_->count(); ++at) {
        QListWidgetItem* item = list_->item(at);
        const SidebarPresenter::Row& row = screen.rows.at(at);
        if (!row.section)
            continue;
        const QString badge = SidebarPresenter::badgeText(row.badge);
        item->setData(SidebarBadgeDelegate::badgeRole, badge);
        item->setData(Qt::AccessibleDescriptionRole, badge); // the count is painted only
        if (row.section == screen.highlighted)
            list_->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
    }
    if (!screen.highlighted)
        list_->clearSelection();
    rebuilding_ = false;

    if (search_->text() != model_.navigation().search())
        search_->setText(model_.navigation().search());
}

void SidebarView::chosen()
{
    if (rebuilding_)
        return;
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty())
        return;
    if (const std::optional<HubSection> section = hubSectionFromString(selected.first()->data(sectionRole).toString()))
        model_.navigation().choose(*section);
}

void SidebarView::submitSearch()
{
    const QString query = model_.navigation().search();
    QStringList productIds;
    for (const StorefrontProduct& product : model_.catalog().searchResults(query))
        productIds.append(product.id);
    QStringList extraIds;
    for (const ExtrasItem& item : model_.catalog().searchExtras(query))
        extraIds.append(item.id);
    const std::optional<RootPresenter::Submission> submission = RootPresenter::submission(productIds, extraIds);
    if (!submission)
        return;
    if (submission->extra)
        model_.navigation().showExtra(submission->id);
    else
        model_.navigation().show(submission->id);
}

} // namespace hub
