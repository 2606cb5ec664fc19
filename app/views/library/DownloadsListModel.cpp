#include "app/views/library/DownloadsListModel.h"

#include "app/model/InstallQueue.h"
#include "app/views/kit/ProgressPresenter.h"

namespace hub {

DownloadsListModel::DownloadsListModel(InstallQueue& queue, QObject* parent) : QAbstractListModel(parent), queue_(queue)
{
    connect(&queue, &InstallQueue::jobsChanged, this, &DownloadsListModel::follow);
    follow();
}

void DownloadsListModel::follow()
{
    QList<QPointer<InstallJob>> now;
    for (InstallJob* job : queue_.jobs())
        now.append(job);
    if (now == jobs_)
        return;
    beginResetModel();
    for (const QPointer<InstallJob>& job : std::as_const(jobs_))
        if (job)
            disconnect(job, nullptr, this, nullptr);
    jobs_ = now;
    for (InstallJob* job : queue_.jobs()) {
        connect(job, &InstallJob::stageChanged, this, [this, job] { changed(job, {stageRole, fractionRole}); });
        connect(job, &InstallJob::fractionChanged, this, [this, job] { changed(job, {fractionRole}); });
        connect(job, &InstallJob::verifyOnlyChanged, this, [this, job] { changed(job, {verifyOnlyRole}); });
        // The notes come with the run's end, after the installed stage it reported.
        connect(job, &InstallJob::notesChanged, this, [this, job] { changed(job, {notesRole}); });
    }
    endResetModel();
}

void DownloadsListModel::changed(const InstallJob* job, const QList<int>& roles)
{
    const qsizetype row = jobs_.indexOf(job);
    if (row < 0)
        return;
    const QModelIndex at = index(int(row));
    emit dataChanged(at, at, roles);
}

int DownloadsListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(jobs_.size());
}

InstallJob* DownloadsListModel::job(int row) const
{
    return row >= 0 && row < jobs_.size() ? jobs_.at(row).data() : nullptr;
}

QVariant DownloadsListModel::data(const QModelIndex& index, int role) const
{
    const InstallJob* found = index.isValid() ? job(index.row()) : nullptr;
    if (!found)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return found->request().productName;
    case idRole:
        return found->id();
    case jobRole:
        return QVariant::fromValue(const_cast<QObject*>(static_cast<const QObject*>(found)));
    case stageRole:
        return int(found->stage().kind);
    case fractionRole:
        if (const std::optional<double> fraction = ProgressPresenter::fraction(found->stage()))
            return *fraction;
        return {};
    case verifyOnlyRole:
        return found->verifyOnly();
    case notesRole:
        return found->notes();
    default:
        return {};
    }
}

QHash<int, QByteArray> DownloadsListModel::roleNames() const
{
    return {{Qt::DisplayRole, "name"}, {idRole, "productId"}, {jobRole, "job"}, {stageRole, "stage"},
        {fractionRole, "fraction"}, {verifyOnlyRole, "verifyOnly"}, {notesRole, "notes"}};
}

} // namespace hub
