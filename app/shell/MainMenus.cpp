#include "app/shell/MainMenus.h"

#include "app/model/AppModel.h"
#include "app/model/Beta.h"
#include "app/platform/HubUpdater.h"
#include "app/platform/QueuedQuit.h"
#include "app/shell/AboutPanel.h"
#include "app/shell/CheckForUpdatesAction.h"
#include "app/views/kit/AccountCommand.h"
#include "app/shell/MainWindow.h"
#include "app/shell/RootPresenter.h"
#include "app/shell/Screens.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/SearchFocus.h"
#include "kit/deployment/Deployment.h"

#include <QDialog>
#include <QMenuBar>
#include <QVBoxLayout>

namespace hub {

MainMenus::MainMenus(MainWindow& window, AppModel& model, HubUpdater& updater, const QJsonObject& info)
    : QObject(&window), window_(window), model_(model), updater_(updater), info_(info), bar_(window.menuBar()),
      rebuild_(new Rebuilder(&window, [this] { update(); }))
{
    QMenu* app = menu(QStringLiteral("Tavren Hub"));
    app->addAction(QStringLiteral("About Tavren Hub"), &window, [&window, info] { AboutPanel::present(&window, info); });
    app->addAction(new CheckForUpdatesAction(updater, &window, app));
    QAction* relaunch = app->addAction(QStringLiteral("Relaunch"), &updater, &HubUpdater::relaunch);
    relaunch->setVisible(updater.readyToRelaunch());
    connect(&updater, &HubUpdater::readyToRelaunchChanged, relaunch, [relaunch, &updater] { relaunch->setVisible(updater.readyToRelaunch()); });
    app->addSeparator();
    app->addAction(QStringLiteral("Settings..."), QKeySequence(Qt::CTRL | Qt::Key_Comma), this, &MainMenus::showSettings);
    app->addSeparator();
    QAction* quit = app->addAction(QStringLiteral("Quit Tavren Hub"), QKeySequence(Qt::CTRL | Qt::Key_Q), this, &queuedQuit);
    quit->setMenuRole(QAction::QuitRole);
    quit->setShortcutContext(Qt::ApplicationShortcut); // a menu open (a row's, a chooser) does not keep it

    QMenu* file = menu(QStringLiteral("File"));
    file->addAction(QStringLiteral("Refresh"), QKeySequence(Qt::CTRL | Qt::Key_R), this, [this] { model_.refresh().refreshAll(); });

    QMenu* store = menu(QStringLiteral("Store"));
    store->addAction(QStringLiteral("Search"), QKeySequence(Qt::CTRL | Qt::Key_F), this, [] { SearchFocus::focus(); });
    back_ = store->addAction(QStringLiteral("Back"), QKeySequence(Qt::CTRL | Qt::Key_BracketLeft), this, [this] {
        model_.navigation().goBack();
    });
    store->addSeparator();
    go(HubSection::discover, QKeySequence(Qt::CTRL | Qt::Key_1), store);
    go(HubSection::plugIns, QKeySequence(Qt::CTRL | Qt::Key_2), store);
    go(HubSection::apps, QKeySequence(Qt::CTRL | Qt::Key_3), store);
    go(HubSection::library, QKeySequence(Qt::CTRL | Qt::Key_4), store);
    go(HubSection::updates, QKeySequence(Qt::CTRL | Qt::Key_5), store);
    go(HubSection::downloads, QKeySequence(Qt::CTRL | Qt::Key_6), store);
    store->addSeparator();
    updateAll_ = store->addAction(QStringLiteral("Update All"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U), this, [this] {
        if (!model_.library().updatesAvailable().isEmpty())
            model_.refresh().updateAll();
    });
    store->addSeparator();
    account_ = store->addAction(QStringLiteral("Sign In"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), this, &MainMenus::accountChosen);

    QMenu* help = menu(QStringLiteral("Help"));
    const QString web = QStringLiteral("https://") + Deployment::current().webHost;
    help->addAction(QStringLiteral("Send Beta Feedback..."), this, [this, info] {
        if (model_.services().openURL)
            model_.services().openURL(Beta::feedbackURL(Beta::version(info), Beta::systemDescription()));
    });
    help->addAction(QStringLiteral("Tavren Hub Website"), this, [this, web] {
        if (model_.services().openURL)
            model_.services().openURL(QUrl(web + QStringLiteral("/tavren-hub")));
    });
    help->addAction(QStringLiteral("Tavren Support"), this, [this, web] {
        if (model_.services().openURL)
            model_.services().openURL(QUrl(web + u'/'));
    });

    rebuild_->watch(&model_.navigation(), &Navigation::pathChanged);
    rebuild_->watch(&model_.library(), &Library::updatesAvailableChanged);
    rebuild_->watch(&model_.catalog(), &StoreCatalog::storefrontChanged);
    rebuild_->watch(&model_.accounts(), &Accounts::storeUserChanged);
    rebuild_->watch(&model_.accounts(), &Accounts::tavrenProfileChanged);
    update();
}

void MainMenus::showSettings()
{
    // One Settings window at a time; its content is made anew each time it opens.
    if (!settings_) {
        settings_ = new QDialog(&window_);
        settings_->setAttribute(Qt::WA_DeleteOnClose);
        settings_->setWindowTitle(QStringLiteral("Settings"));
        auto* layout = new QVBoxLayout(settings_);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        layout->addWidget(Screens::settings(model_, updater_, info_));
    }
    settings_->show();
    settings_->raise();
    settings_->activateWindow();
}

QMenu* MainMenus::menu(const QString& title)
{
    QMenu* made = bar_->addMenu(title);
    connect(made, &QMenu::aboutToShow, this, &MainMenus::update);
    return made;
}

QAction* MainMenus::find(const QString& menuTitle, const QString& text) const
{
    for (QAction* top : bar_->actions())
        if (top->menu() && top->text() == menuTitle)
            for (QAction* item : top->menu()->actions())
                if (item->text() == text)
                    return item;
    return nullptr;
}

void MainMenus::go(HubSection section, const QKeySequence& key, QMenu* menu)
{
    menu->addAction(title(section), key, this, [this, section] { model_.navigation().choose(section); });
}

void MainMenus::update()
{
    RootPresenter::MenuInput input;
    input.pathLength = model_.navigation().path().size();
    input.updatesAvailable = model_.library().updatesAvailable().size();
    input.signedIn = AccountCommand::signedIn(model_);
    const RootPresenter::Menus menus = RootPresenter::menus(input);
    back_->setEnabled(menus.backEnabled);
    updateAll_->setEnabled(menus.updateAllEnabled);
    account_->setText(menus.accountTitle);
}

void MainMenus::accountChosen()
{
    // Decided afresh when chosen, whatever the menu showed.
    update();
    AccountCommand::run(model_);
}

} // namespace hub
