#pragma once

#include "app/model/InstallJob.h"

#include <QAbstractListModel>
#include <QList>
#include <QPointer>

namespace hub {

class InstallQueue;

// The install queue's jobs as a list, newest first. A change of the jobs list resets
// it; a job's stage, progress or check flag changes only that row's role.
class DownloadsListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role { idRole = Qt::UserRole + 1, jobRole, stageRole, fractionRole, verifyOnlyRole, notesRole };

    explicit DownloadsListModel(InstallQueue& queue, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    InstallJob* job(int row) const;

private:
    void follow();
    void changed(const InstallJob* job, const QList<int>& roles);

    InstallQueue& queue_;
    QList<QPointer<InstallJob>> jobs_;
};

} // namespace hub
