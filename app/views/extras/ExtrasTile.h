#pragma once

#include "kit/api/ExtrasItem.h"

#include <QWidget>

namespace hub {

class AppModel;
class ExtrasActionButton;

// One extras item in a shelf: its icon, name with stage chip and summary (else its
// kind) open its page on a click anywhere but the action beside them; a divider
// under the texts. The keyboard grid around it draws its focus highlight.
class ExtrasTile : public QWidget {
    Q_OBJECT

public:
    ExtrasTile(AppModel& model, const ExtrasItem& item, QWidget* parent = nullptr);

    ExtrasActionButton* actionButton() const { return action_; }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    AppModel& model_;
    QString id_;
    ExtrasActionButton* action_;
};

} // namespace hub
