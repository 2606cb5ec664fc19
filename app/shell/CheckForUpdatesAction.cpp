#include "app/shell/CheckForUpdatesAction.h"

#include "app/platform/HubUpdater.h"
#include "app/shell/PanelParts.h"
#include "app/views/kit/Labels.h"
#include "kit/deployment/Deployment.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace hub {

CheckForUpdatesAction::Report CheckForUpdatesAction::report(const Outcome& outcome)
{
    if (!outcome.problem.isEmpty())
        return {QStringLiteral("Update Error!"), outcome.problem};
    if (outcome.available.isEmpty())
        return {QStringLiteral("You're up to date!"),
                QStringLiteral("Tavren Hub %1 is currently the newest version available.").arg(outcome.current)};
    const QString found = QStringLiteral("Tavren Hub %1 is now available (you have %2).").arg(outcome.available, outcome.current);
    if (outcome.readyToRelaunch)
        return {QStringLiteral("A new version of Tavren Hub is ready!"),
                found + QStringLiteral(" It is in place and starts when Tavren Hub relaunches."), true};
    if (!outcome.canReplace)
        return {QStringLiteral("A new version of Tavren Hub is available!"),
                found + QStringLiteral(" This copy cannot update itself: get the new version from %1.").arg(outcome.website)};
    return {QStringLiteral("A new version of Tavren Hub is available!"), found};
}

QLabel* CheckForUpdatesAction::messageLabel(const QString& message, const QString& website, QWidget* parent)
{
    QLabel* label = Labels::plain(message, TextStyle::callout, parent);
    label->setObjectName(QStringLiteral("message"));
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    const qsizetype at = website.isEmpty() ? -1 : message.indexOf(website);
    if (at < 0)
        return label;
    // The address (and the stop after it) on a line that never wraps keeps it whole,
    // with no invisible characters in it to go along when it is copied.
    label->setTextFormat(Qt::RichText);
    label->setText(message.left(at).toHtmlEscaped() + QStringLiteral("<div style=\"white-space: nowrap\"><a href=\"")
        + website.toHtmlEscaped() + QStringLiteral("\">") + website.toHtmlEscaped() + QStringLiteral("</a>")
        + message.mid(at + website.size()).toHtmlEscaped() + QStringLiteral("</div>"));
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    label->setOpenExternalLinks(true);
    return label;
}

CheckForUpdatesAction::CheckForUpdatesAction(HubUpdater& updater, QWidget* window, QObject* parent)
    : QAction(QStringLiteral("Check for Updates..."), parent), updater_(updater), window_(window)
{
    setMenuRole(QAction::ApplicationSpecificRole);
    setEnabled(updater.canCheck());
    connect(&updater, &HubUpdater::canCheckChanged, this, [this, &updater] { setEnabled(updater.canCheck()); });
    connect(this, &QAction::triggered, &updater, &HubUpdater::checkForUpdates);
    connect(&updater, &HubUpdater::checkedByHand, this, &CheckForUpdatesAction::showOutcome);
}

void CheckForUpdatesAction::showOutcome()
{
    Outcome outcome;
    outcome.problem = updater_.problem();
    outcome.available = updater_.availableVersion();
    outcome.current = updater_.currentVersion();
    outcome.readyToRelaunch = updater_.readyToRelaunch();
    outcome.canReplace = updater_.canReplace();
    outcome.website = QStringLiteral("https://") + Deployment::current().webHost + QStringLiteral("/tavren-hub");
    const Report shown = report(outcome);

    delete dialog_;
    // In the About panel's look: the mark, the title in bold, the message, plain buttons.
    auto* box = new QDialog(window_);
    box->setWindowTitle(QStringLiteral("Tavren Hub"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    QVBoxLayout* layout = PanelParts::column(box, shown.title);
    layout->addWidget(messageLabel(shown.message, outcome.website, box));
    auto* buttons = new QDialogButtonBox(box);
    if (shown.offersRelaunch) {
        QPushButton* relaunch = buttons->addButton(QStringLiteral("Install and Relaunch"), QDialogButtonBox::AcceptRole);
        buttons->addButton(QStringLiteral("Later"), QDialogButtonBox::RejectRole);
        relaunch->setDefault(true);
        connect(relaunch, &QPushButton::clicked, &updater_, &HubUpdater::relaunch);
    } else {
        buttons->addButton(QDialogButtonBox::Ok)->setDefault(true);
    }
    connect(buttons, &QDialogButtonBox::accepted, box, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, box, &QDialog::reject);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    dialog_ = box;
    box->open();
}

} // namespace hub
