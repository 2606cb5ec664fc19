#pragma once

#include "app/views/library/UpdatesPresenter.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace hub {

class ActionButton;
class AppModel;
class ProductIcon;

// One available update: icon, name, "installed to latest", the product's action
// button and the release notes, cut to three lines until "More" is pressed. The
// expanded flag lives as long as the row.
class UpdateRow : public QWidget {
    Q_OBJECT

public:
    UpdateRow(AppModel& model, const UpdatesPresenter::AvailableRow& row, QWidget* parent = nullptr);

    void setRow(const UpdatesPresenter::AvailableRow& row);
    bool expanded() const { return expanded_; }
    void toggle();
    QPushButton* toggleButton() const { return toggle_; }
    QLabel* notes() const { return notes_; }

private:
    void applyExpanded();

    bool expanded_ = false;
    ProductIcon* icon_;
    QLabel* name_;
    QLabel* version_;
    ActionButton* action_;
    QLabel* notes_;
    QPushButton* toggle_;
};

} // namespace hub
