#pragma once

#include "app/views/settings/BackgroundSwitch.h"

#include <QJsonObject>
#include <QWidget>

class QComboBox;
class QLabel;

namespace hub {

class AppModel;
class HubUpdater;
class Toggle;

// The Settings window's content, 520 by 420: a General tab (version, beta feedback,
// the display currency, the update switches, where installs go) and a Security tab.
// The switches edit the model and the self-updater directly and follow their changes;
// the background switch follows the launch agent's registration.
class SettingsView : public QWidget {
    Q_OBJECT

public:
    SettingsView(AppModel& model, HubUpdater& updater, QJsonObject info, BackgroundSwitch::Agent agent,
                 QWidget* parent = nullptr);

    QComboBox* currencyPicker() const { return currencies_; }
    Toggle* autoUpdateToggle() const { return autoUpdate_; }
    Toggle* backgroundToggle() const { return background_; }
    Toggle* checksToggle() const { return checks_; }
    Toggle* installsToggle() const { return installs_; }
    // Why the background switch cannot work here, or was refused; hidden when empty.
    QLabel* backgroundNote() const { return backgroundNote_; }

private:
    QWidget* general();
    // Shows the model's and the updater's values; no control is rebuilt.
    void refresh();

    AppModel& model_;
    HubUpdater& updater_;
    QJsonObject info_;
    BackgroundSwitch switch_;
    QLabel* version_ = nullptr;
    QComboBox* currencies_ = nullptr;
    Toggle* autoUpdate_ = nullptr;
    Toggle* background_ = nullptr;
    QLabel* backgroundNote_ = nullptr;
    Toggle* checks_ = nullptr;
    Toggle* installs_ = nullptr;
    QLabel* plugIns_ = nullptr;
    QLabel* apps_ = nullptr;
};

} // namespace hub
