#pragma once

#include "kit/api/TavrenIDProvider.h"

#include <QList>
#include <QString>
#include <optional>

namespace hub {

// The Tavren ID form: browser sign-in through a provider, or an emailed code.
struct TavrenIDPresenter {
    static constexpr int codeLength = 6;
    static inline const QString requesting = QStringLiteral("request");
    static inline const QString checking = QStringLiteral("code");
    static inline const QString codeFailure = QStringLiteral("That code did not work. Check it, or ask for a new one.");

    struct Input {
        QString email;
        QString code;
        bool codeSent = false;
        // What runs: "request", "code", or a provider's raw value.
        std::optional<QString> busy;
        std::optional<QString> error;
    };

    struct ProviderButton {
        TavrenIDProvider provider = TavrenIDProvider::apple;
        QString title;
        bool spinner = false;
        bool enabled = true;
        bool operator==(const ProviderButton&) const = default;
    };

    struct Screen {
        QList<ProviderButton> providers;
        bool waiting = false; // the "Finish signing in in your browser." row
        bool emailEnabled = true;
        bool requestShown = true; // "Email me a code"; else the code entry
        bool requestEnabled = false;
        bool requestSpinner = false;
        bool signInEnabled = false;
        bool signInSpinner = false; // in place of "Sign In"
        std::optional<QString> error;
        bool operator==(const Screen&) const = default;
    };

    static Screen screen(const Input& input);
    static bool canRequest(const Input& input);
    // "Sign In": six characters that are numbers, nothing running.
    static bool canComplete(const Input& input);
    // The browser sign-in that runs, if any.
    static std::optional<TavrenIDProvider> waitingFor(const Input& input);
};

} // namespace hub
