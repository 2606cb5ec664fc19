#pragma once

#include <QAbstractButton>

class QLabel;

namespace hub {

class AppModel;
class Avatar;
class ElidedLabel;

// The sidebar's last line: who is signed in and to which accounts. Signed in, it
// selects the account screen (and is highlighted there); signed out, it opens
// the sign-in sheet. A screen reader reads it by what it opens, "Account" (checked
// while the account screen is the current section) or "Sign In".
class AccountFooter : public QAbstractButton {
    Q_OBJECT

public:
    explicit AccountFooter(AppModel& model, QWidget* parent = nullptr);

    QString title() const;
    QString subtitle() const;
    // The account screen is the current section.
    bool isCurrent() const { return highlighted_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuild();
    void press();

    AppModel& model_;
    Avatar* avatar_;
    ElidedLabel* title_;
    ElidedLabel* subtitle_;
    bool highlighted_ = false;
};

} // namespace hub
