#pragma once

#include "app/model/HubSection.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>

class QAction;
class QDialog;
class QMenu;
class QMenuBar;

namespace hub {

class AppModel;
class HubUpdater;
class MainWindow;
class Rebuilder;

// The menu bar of the main window. The items that depend on the model (Back, Update All,
// Sign In or Account) are evaluated again on every model change and when a menu opens.
class MainMenus : public QObject {
    Q_OBJECT
public:
    MainMenus(MainWindow& window, AppModel& model, HubUpdater& updater, const QJsonObject& info);

    QAction* back() const { return back_; }
    QAction* updateAll() const { return updateAll_; }
    QAction* account() const { return account_; }
    // The item of that menu with that text, for tests.
    QAction* find(const QString& menu, const QString& text) const;

    void update();

private:
    QMenu* menu(const QString& title);
    void go(HubSection section, const QKeySequence& key, QMenu* menu);
    void accountChosen();
    void showSettings();

    MainWindow& window_;
    AppModel& model_;
    HubUpdater& updater_;
    const QJsonObject info_;
    QPointer<QDialog> settings_;
    QMenuBar* bar_;
    QAction* back_ = nullptr;
    QAction* updateAll_ = nullptr;
    QAction* account_ = nullptr;
    Rebuilder* rebuild_;
};

} // namespace hub
