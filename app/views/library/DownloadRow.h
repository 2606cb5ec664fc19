#pragma once

#include "app/model/InstallJob.h"
#include "app/views/library/DownloadsPresenter.h"

#include <QPointer>
#include <QWidget>

class QHBoxLayout;
class QLabel;

namespace hub {

class AppModel;
class ControlSlot;
class ProductIcon;
class StageView;

// One job of the Downloads list: icon, name, version, the check badge, the
// download's name, its stage, the notes of a finished install and its buttons. Kept for the job's life; a progress
// tick only moves its stage view, a new stage also swaps its buttons, a new storefront its icon.
class DownloadRow : public QWidget {
    Q_OBJECT

public:
    DownloadRow(AppModel& model, InstallJob& job, QWidget* parent = nullptr);

    InstallJob* job() const { return job_; }
    // Reads the job's stage again: the stage view, the notes, and the buttons when they change.
    void showStage();
    // Reads the job's progress again: the stage view only.
    void showProgress();
    void showCheckOnly();
    void showNotes();
    // Reads the product from the storefront again: the icon, hidden while the storefront lacks it.
    void showIcon();
    // How many times the buttons were made (tests).
    int buttonBuilds() const { return buttonBuilds_; }
    const QList<DownloadsPresenter::Button>& buttons() const { return buttons_; }

private:
    void press(DownloadsPresenter::Control control);

    AppModel& model_;
    QPointer<InstallJob> job_;
    QString name_; // describes the buttons: "Retry" in a list reads whose
    ProductIcon* icon_;
    QLabel* badge_;
    StageView* stage_;
    QLabel* notes_;
    ControlSlot* controls_;
    QList<DownloadsPresenter::Button> buttons_;
    int buttonBuilds_ = 0;
};

} // namespace hub
