#pragma once

#include "app/views/library/UpdatesPresenter.h"

#include <QHash>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace hub {

class AppModel;
class Rebuilder;
class Switch;
class UpdateRow;

// The Updates screen: the checked line and "Update All", the automatic-update
// switch, the available updates (or sign-in, or up to date) and everything
// installed, newest first. Update rows are kept by product id.
class UpdatesView : public QWidget {
    Q_OBJECT

public:
    explicit UpdatesView(AppModel& model, QWidget* parent = nullptr);

    const UpdatesPresenter::Screen& screen() const { return screen_; }
    UpdateRow* row(const QString& productId) const { return rows_.value(productId); }
    QPushButton* updateAllButton() const { return updateAll_; }
    Switch* autoUpdateSwitch() const { return switch_; }

    static UpdatesPresenter::Input input(AppModel& model);

private:
    void rebuild();
    void placeAvailable();
    void placeInstalled();

    AppModel& model_;
    Rebuilder* rebuilder_;
    UpdatesPresenter::Screen screen_;
    QHBoxLayout* header_;
    QWidget* pageHeader_ = nullptr;
    QString shownChecked_;
    QPushButton* updateAll_;
    Switch* switch_;
    QWidget* prompt_;
    QWidget* upToDate_;
    QWidget* available_;
    QVBoxLayout* availableRows_;
    QWidget* installed_;
    QVBoxLayout* installedRows_;
    QHash<QString, UpdateRow*> rows_;
};

} // namespace hub
