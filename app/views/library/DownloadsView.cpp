#include "app/views/library/DownloadsView.h"

#include "app/model/AppModel.h"
#include "app/views/kit/Divider.h"
#include "app/views/kit/EmptyState.h"
#include "app/views/kit/FocusKeeper.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/SymbolName.h"
#include "app/views/kit/Theme.h"
#include "app/views/kit/TextButtons.h"
#include "app/views/library/DownloadRow.h"
#include "app/views/library/DownloadsListModel.h"
#include "app/views/library/ListParts.h"

#include <QFrame>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QStackedLayout>

namespace hub {

DownloadsView::DownloadsView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), list_(new DownloadsListModel(model.queue(), this)),
      rebuilder_(new Rebuilder(this, [this] { relayout(); })),
      clear_(TextButtons::asRegular(new QPushButton(DownloadsPresenter::clearFinished, this)))
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(28, 16, 28, 8);
    bar->addWidget(Labels::plain(DownloadsPresenter::title, TextStyle::title2, this, QFont::Bold));
    bar->addStretch(1);
    bar->addWidget(clear_);
    outer->addLayout(bar);
    connect(clear_, &QPushButton::clicked, this, [this] { model_.queue().clearFinished(); });

    pages_ = new QStackedLayout;
    empty_ = new EmptyState(DownloadsPresenter::emptyTitle, DownloadsPresenter::emptyMessage, "arrow.down.circle"_symbol);
    pages_->addWidget(empty_);
    listPage_ = new QWidget;
    FocusKeeper::mark(listPage_, FocusKeeper::Place::list);
    column_ = new QVBoxLayout(listPage_);
    column_->setContentsMargins(28, 4, 28, 28);
    column_->setSpacing(0);
    column_->addStretch(1);
    pages_->addWidget(ListParts::scrollPage(listPage_));
    outer->addLayout(pages_, 1);

    connect(list_, &QAbstractItemModel::modelReset, rebuilder_, &Rebuilder::request);
    connect(&model.catalog(), &StoreCatalog::storefrontChanged, this, [this] {
        for (DownloadRow* row : std::as_const(rows_))
            row->showIcon();
    });
    connect(list_, &QAbstractItemModel::dataChanged, this,
        [this](const QModelIndex& from, const QModelIndex& to, const QList<int>& roles) { rowChanged(from.row(), to.row(), roles); });
    relayout();
}

int DownloadsView::layouts() const
{
    return rebuilder_->count();
}

void DownloadsView::relayout()
{
    QHash<QString, DownloadRow*> kept;
    QList<QWidget*> order;
    while (column_->count() > 1) {
        QLayoutItem* item = column_->takeAt(0);
        if (item->widget() && !qobject_cast<DownloadRow*>(item->widget()))
            item->widget()->deleteLater(); // a divider
        delete item;
    }
    for (int at = 0; at < list_->rowCount(); ++at) {
        InstallJob* job = list_->job(at);
        if (!job)
            continue;
        DownloadRow* row = rows_.take(job->id());
        if (row && row->job() != job) {
            FocusKeeper::release(row);
            row->deleteLater(); // the product's job was replaced
            row = nullptr;
        }
        if (!row)
            row = new DownloadRow(model_, *job, listPage_);
        kept.insert(job->id(), row);
        order.append(row);
        column_->insertWidget(column_->count() - 1, row);
        column_->insertWidget(column_->count() - 1, Divider::make(nullptr));
    }
    for (DownloadRow* gone : std::as_const(rows_)) {
        FocusKeeper::release(gone);
        gone->deleteLater();
    }
    rows_ = kept;
    FocusKeeper::arrange(listPage_, order); // a row made now stands in the Tab order where it stands
    pages_->setCurrentIndex(rows_.isEmpty() ? 0 : 1);
    updateClearFinished();
}

void DownloadsView::rowChanged(int first, int last, const QList<int>& roles)
{
    for (int at = first; at <= last; ++at) {
        const InstallJob* job = list_->job(at);
        DownloadRow* row = job ? rows_.value(job->id()) : nullptr;
        if (!row || row->job() != job)
            continue;
        if (roles.contains(DownloadsListModel::stageRole)) {
            row->showStage();
            updateClearFinished();
        } else if (roles.contains(DownloadsListModel::fractionRole)) {
            row->showProgress();
        }
        if (roles.contains(DownloadsListModel::verifyOnlyRole))
            row->showCheckOnly();
        if (roles.contains(DownloadsListModel::notesRole))
            row->showNotes();
    }
}

void DownloadsView::updateClearFinished()
{
    QList<InstallStage> stages;
    for (const InstallJob* job : model_.queue().jobs())
        stages.append(job->stage());
    clear_->setEnabled(DownloadsPresenter::canClearFinished(stages));
}

} // namespace hub
