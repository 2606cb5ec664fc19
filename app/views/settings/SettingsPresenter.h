#pragma once

#include "app/model/InstallEngine.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace hub {

// The General tab of the Settings window: the version, the currencies offered and the
// one chosen, which switches can be used, and where installs go.
class SettingsPresenter {
public:
    struct Input {
        QJsonObject info; // the hub's information file
        std::optional<QStringList> enabledCurrencies; // the loaded storefront's, when it has them
        QString currency;
        bool autoUpdate = true;
        bool checksAutomatically = true;
        bool backgroundAvailable = true; // there is a service manager to register with
        QString backgroundProblem;       // why the last change of the switch was refused
        InstallEngine::Destinations destinations;
        QString home;   // shown as "~"
        QString locale; // for the currencies' names
    };

    struct Currency {
        QString code;
        QString title; // the code and its name
        bool operator==(const Currency&) const = default;
    };

    struct Screen {
        QString version;
        QList<Currency> currencies;
        int selected = -1; // none when the chosen code is not offered
        bool backgroundEnabled = true; // follows automatic updates, where it can work at all
        QString backgroundNote;        // under the switch: why it cannot work, or was refused
        bool installsEnabled = true;   // follows the hub's own checks
        QString plugInsFolder;
        QString appsFolder;
    };

    static inline const QString noServiceManager =
        QStringLiteral("Background updates need the systemd user service manager, which is not running for this account.");
    static inline const QStringList fallbackCurrencies{QStringLiteral("EUR"), QStringLiteral("USD")};

    static Screen present(const Input& input);
    // The currency's name in that locale, from ICU; empty when ICU has none.
    static QString currencyName(const QString& code, const QString& locale);
    // The path with the home folder written as "~".
    static QString shortPath(const QString& path, const QString& home);
};

} // namespace hub
