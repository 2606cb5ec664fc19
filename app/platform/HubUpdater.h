#pragma once

#include "app/platform/HubRelease.h"
#include "app/platform/HubUpdateService.h"

#include <QObject>
#include <QSettings>
#include <QTimer>
#include <chrono>
#include <memory>

namespace hub {

// The self-updater the views and menus read: whether a check may start now, the two
// settings (written through to the user defaults on every assignment), a check by hand,
// and what a check found. While automatic checks are on it checks a minute after start
// and then every hour. A newer release of a self-contained install is downloaded and
// swapped in after a check by hand, or after any check while automatic installs are on,
// and then offered as "Relaunch"; any other install is only told that it exists.
// Main thread only; the work runs on the global thread pool.
class HubUpdater : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheck READ canCheck NOTIFY canCheckChanged)
    Q_PROPERTY(bool checksAutomatically READ checksAutomatically WRITE setChecksAutomatically NOTIFY checksAutomaticallyChanged)
    Q_PROPERTY(bool installsAutomatically READ installsAutomatically WRITE setInstallsAutomatically NOTIFY installsAutomaticallyChanged)
    Q_PROPERTY(QString availableVersion READ availableVersion NOTIFY availableVersionChanged)
    Q_PROPERTY(bool readyToRelaunch READ readyToRelaunch NOTIFY readyToRelaunchChanged)
    Q_PROPERTY(QString problem READ problem NOTIFY problemChanged)
public:
    struct Schedule {
        std::chrono::milliseconds first{std::chrono::minutes(1)};
        std::chrono::milliseconds every{std::chrono::hours(1)};
    };

    static constexpr const char* checksKey = "hubUpdatesChecked";      // default on
    static constexpr const char* installsKey = "hubUpdatesInstalled";  // default off

    HubUpdater(std::shared_ptr<HubUpdateService> service, std::shared_ptr<QSettings> defaults, Schedule timing,
               QObject* parent = nullptr);
    ~HubUpdater() override;

    bool canCheck() const { return canCheck_; }
    bool checksAutomatically() const { return checksAutomatically_; }
    bool installsAutomatically() const { return installsAutomatically_; }
    QString availableVersion() const { return available_ ? available_->version : QString(); }
    bool readyToRelaunch() const { return readyToRelaunch_; }
    QString problem() const { return problem_; }
    // Whether this install may be replaced by a newer release (otherwise it is only told).
    bool canReplace() const { return service_->canReplace(); }
    QString currentVersion() const { return service_->currentVersion(); }

    void setChecksAutomatically(bool on);
    void setInstallsAutomatically(bool on);

    // A check by hand: ignored while canCheck is false.
    void checkForUpdates();
    // Starts the installed hub anew once this process has ended, and quits this one.
    void relaunch();

signals:
    void canCheckChanged();
    void checksAutomaticallyChanged();
    void installsAutomaticallyChanged();
    void availableVersionChanged();
    void readyToRelaunchChanged();
    void problemChanged();
    // A check by hand has ended; what it found is in the properties above.
    void checkedByHand();

private:
    struct Result {
        std::optional<HubRelease> release;
        bool installed = false;
        bool byHand = false;
        QString problem;
    };
    void start(bool byHand);
    void finish(const Result& result);
    void schedule();
    // Stores the setting in the user defaults; true when the field changed.
    bool writeThrough(const char* key, bool on, bool& field);
    void setCanCheck(bool value);
    void setProblem(const QString& text);

    std::shared_ptr<HubUpdateService> service_;
    std::shared_ptr<QSettings> defaults_;
    Schedule schedule_;
    QTimer timer_;
    bool started_ = false; // the first automatic check is behind us
    bool busy_ = false;
    bool canCheck_ = false;
    bool checksAutomatically_;
    bool installsAutomatically_;
    std::optional<HubRelease> available_;
    bool readyToRelaunch_ = false;
    QString problem_;
};

} // namespace hub
