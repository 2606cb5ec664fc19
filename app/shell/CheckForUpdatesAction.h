#pragma once

#include <QAction>
#include <QPointer>

class QLabel;
class QWidget;

namespace hub {

class HubUpdater;

// The menu item "Check for Updates...": enabled exactly while the updater can check,
// and a check by hand when chosen, whose outcome is then shown in a small dialog.
class CheckForUpdatesAction : public QAction {
    Q_OBJECT
public:
    // What a check by hand found, as the dialog words it.
    struct Outcome {
        QString problem;          // the check failed
        QString available;        // a newer version, when one was found
        QString current;          // this copy's version
        bool readyToRelaunch = false; // the newer version is in place
        bool canReplace = false;  // this copy may update itself
        QString website;          // where a copy that cannot update itself gets it
    };
    struct Report {
        QString title;
        QString message;
        bool offersRelaunch = false; // "Install and Relaunch" beside "Later"
        bool operator==(const Report&) const = default;
    };
    static Report report(const Outcome& outcome);
    // The dialog's message: plain text, but for `website` in it, a link on a line of its own.
    static QLabel* messageLabel(const QString& message, const QString& website, QWidget* parent);

    // The dialog is shown over `window`.
    CheckForUpdatesAction(HubUpdater& updater, QWidget* window = nullptr, QObject* parent = nullptr);

    // The dialog of the last check by hand, while it is open.
    QWidget* dialog() const { return dialog_; }

private:
    void showOutcome();

    HubUpdater& updater_;
    QPointer<QWidget> window_;
    QPointer<QWidget> dialog_;
};

} // namespace hub
