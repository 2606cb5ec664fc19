#pragma once

#include <QHash>
#include <QWidget>

class QPushButton;
class QStackedLayout;
class QVBoxLayout;

namespace hub {

class AppModel;
class DownloadRow;
class DownloadsListModel;
class Rebuilder;

// The Downloads screen: every job of the install queue, newest first, with its
// stage and buttons, and "Clear Finished". Rows are kept by job id: a change of the
// jobs list re-places them, a job's change reaches only its own row.
class DownloadsView : public QWidget {
    Q_OBJECT

public:
    explicit DownloadsView(AppModel& model, QWidget* parent = nullptr);

    DownloadsListModel& list() const { return *list_; }
    // The row of the product's job, if listed (tests).
    DownloadRow* row(const QString& productId) const { return rows_.value(productId); }
    QPushButton* clearFinished() const { return clear_; }
    // How many times the list was laid out again (tests).
    int layouts() const;

private:
    void relayout();
    void rowChanged(int first, int last, const QList<int>& roles);
    void updateClearFinished();

    AppModel& model_;
    DownloadsListModel* list_;
    Rebuilder* rebuilder_;
    QPushButton* clear_;
    QStackedLayout* pages_;
    QWidget* empty_;
    QWidget* listPage_;
    QVBoxLayout* column_;
    QHash<QString, DownloadRow*> rows_;
};

} // namespace hub
