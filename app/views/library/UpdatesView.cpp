#include "app/views/library/UpdatesView.h"

#include "app/model/AppModel.h"
#include "app/views/kit/Accessibility.h"
#include "app/views/kit/Divider.h"
#include "app/views/kit/FocusKeeper.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/PageHeader.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/SignInPrompt.h"
#include "app/views/kit/SymbolName.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"
#include "app/views/kit/TextButtons.h"
#include "app/views/library/ListParts.h"
#include "app/views/library/Switch.h"
#include "app/views/library/UpdateRow.h"

#include <QFrame>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace hub {

using Block = UpdatesPresenter::Block;

namespace {

// A titled section: its title, then the rows' column.
QWidget* section(const QString& title, QVBoxLayout*& rows)
{
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    QLabel* heading = Labels::plain(title, TextStyle::title2, box, QFont::Bold);
    heading->setContentsMargins(0, 0, 0, 6);
    column->addWidget(heading);
    rows = new QVBoxLayout;
    rows->setSpacing(0);
    column->addLayout(rows);
    return box;
}

void clear(QVBoxLayout* layout)
{
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (item->widget())
            item->widget()->deleteLater();
        delete item;
    }
}

QWidget* installedRow(const UpdatesPresenter::InstalledRow& row)
{
    auto* box = new QWidget;
    auto* line = new QHBoxLayout(box);
    line->setContentsMargins(0, 8, 0, 8);
    line->setSpacing(12);
    if (row.icon)
        line->addWidget(new ProductIcon(row.icon->iconUrl, row.icon->name, 36, box));
    auto* texts = new QVBoxLayout;
    texts->addWidget(Labels::plain(row.name, TextStyle::headline, box));
    texts->addWidget(Labels::secondary(Labels::plain(row.detail, TextStyle::caption, box)));
    line->addLayout(texts);
    line->addStretch(1);
    return box;
}

} // namespace

UpdatesPresenter::Input UpdatesView::input(AppModel& model)
{
    UpdatesPresenter::Input in;
    in.signedIn = model.accounts().storeUser() || model.accounts().tavrenProfile();
    for (const StorefrontProduct& product : model.library().updatesAvailable()) {
        UpdatesPresenter::Update update{product, std::nullopt, model.library().latestVersion(product), std::nullopt};
        if (const std::optional<InstallRecord> record = model.library().record(product.id))
            update.installedVersion = record->version;
        const auto notes = model.library().releaseNotes().constFind(product.id);
        if (notes != model.library().releaseNotes().constEnd())
            update.notes = notes->releaseDescription;
        in.updates.append(update);
    }
    in.installed = model.library().installed();
    for (const InstallRecord& record : std::as_const(in.installed))
        if (const std::optional<StorefrontProduct> product = model.catalog().storeProduct(record.productId))
            in.storeProducts.insert(record.productId, *product);
    in.lastChecked = model.refresh().lastChecked();
    in.now = model.services().now ? model.services().now() : QDateTime::currentDateTimeUtc();
    return in;
}

UpdatesView::UpdatesView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), rebuilder_(new Rebuilder(this, [this] { rebuild(); }))
{
    setWindowTitle(UpdatesPresenter::title);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* content = new QWidget;
    outer->addWidget(ListParts::scrollPage(content));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(28, 28, 28, 28);
    column->setSpacing(22);

    header_ = new QHBoxLayout;
    updateAll_ = TextButtons::asProminent(new QPushButton(UpdatesPresenter::updateAll, content), TextButtons::Size::large);
    header_->addWidget(updateAll_, 0, Qt::AlignBottom);
    column->addLayout(header_);
    connect(updateAll_, &QPushButton::clicked, this, [this] { model_.refresh().updateAll(); });

    switch_ = new Switch(UpdatesPresenter::autoUpdate, content);
    switch_->setToolTip(UpdatesPresenter::autoUpdateHelp);
    column->addWidget(switch_);
    connect(switch_, &Switch::toggled, this, [this](bool on) { model_.preferences().setAutoUpdate(on); });

    prompt_ = new SignInPrompt(model, UpdatesPresenter::signInReason, false, content);
    column->addWidget(prompt_);
    upToDate_ = new QWidget(content);
    auto* done = new QHBoxLayout(upToDate_);
    done->setContentsMargins(0, 8, 0, 8);
    auto* mark = new QLabel(upToDate_);
    mark->setPixmap(Symbols::pixmap("checkmark.circle.fill"_symbol, 20, Theme::green()));
    Accessibility::hide(mark); // the words say it
    done->addWidget(mark);
    QLabel* words = Labels::plain(UpdatesPresenter::upToDate, TextStyle::title3, upToDate_);
    Labels::setColor(words, Theme::green());
    done->addWidget(words);
    done->addStretch(1);
    column->addWidget(upToDate_);
    available_ = section(UpdatesPresenter::availableTitle, availableRows_);
    FocusKeeper::mark(available_, FocusKeeper::Place::list);
    column->addWidget(available_);
    installed_ = section(UpdatesPresenter::installedTitle, installedRows_);
    column->addWidget(installed_);
    column->addStretch(1);

    rebuilder_->watch(&model.accounts(), &Accounts::storeUserChanged);
    rebuilder_->watch(&model.accounts(), &Accounts::tavrenProfileChanged);
    rebuilder_->watch(&model.accounts(), &Accounts::storeOwnedChanged);
    rebuilder_->watch(&model.catalog(), &StoreCatalog::storefrontChanged);
    rebuilder_->watch(&model.library(), &Library::installedChanged);
    rebuilder_->watch(&model.library(), &Library::releaseNotesChanged);
    rebuilder_->watch(&model.refresh(), &RefreshCycle::lastCheckedChanged);
    rebuilder_->watch(&model.preferences(), &Preferences::autoUpdateChanged);
    rebuild();
}

void UpdatesView::rebuild()
{
    screen_ = UpdatesPresenter::present(input(model_));
    if (!pageHeader_ || shownChecked_ != screen_.checkedLine) {
        delete pageHeader_;
        pageHeader_ = new PageHeader(UpdatesPresenter::title, screen_.checkedLine);
        header_->insertWidget(0, pageHeader_, 1, Qt::AlignBottom);
        shownChecked_ = screen_.checkedLine;
    }
    updateAll_->setVisible(screen_.showsUpdateAll);
    const QSignalBlocker quiet(switch_);
    switch_->setChecked(model_.preferences().autoUpdate());
    prompt_->setVisible(screen_.block == Block::signIn);
    upToDate_->setVisible(screen_.block == Block::upToDate);
    available_->setVisible(screen_.block == Block::available);
    placeAvailable();
    installed_->setVisible(!screen_.installed.isEmpty());
    placeInstalled();
}

void UpdatesView::placeAvailable()
{
    QHash<QString, UpdateRow*> kept;
    QList<QWidget*> order;
    while (QLayoutItem* item = availableRows_->takeAt(0)) {
        if (item->widget() && !qobject_cast<UpdateRow*>(item->widget()))
            item->widget()->deleteLater(); // a divider
        delete item;
    }
    for (const UpdatesPresenter::AvailableRow& available : std::as_const(screen_.available)) {
        UpdateRow* row = rows_.take(available.product.id);
        if (row) {
            row->setRow(available);
        } else {
            row = new UpdateRow(model_, available);
            FocusKeeper::mark(row, FocusKeeper::Place::row);
        }
        availableRows_->addWidget(row);
        availableRows_->addWidget(Divider::make(nullptr));
        kept.insert(available.product.id, row);
        order.append(row);
    }
    for (UpdateRow* gone : std::as_const(rows_)) {
        FocusKeeper::release(gone);
        gone->deleteLater();
    }
    rows_ = kept;
    FocusKeeper::arrange(available_, order); // a row made now stands in the Tab order where it stands
}

void UpdatesView::placeInstalled()
{
    clear(installedRows_);
    for (const UpdatesPresenter::InstalledRow& row : std::as_const(screen_.installed)) {
        installedRows_->addWidget(installedRow(row));
        installedRows_->addWidget(Divider::make(nullptr));
    }
}

} // namespace hub
