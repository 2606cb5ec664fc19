#pragma once

#include <QString>
#include <optional>

namespace hub {

// The store account form: sign in with email and password, or create an account.
struct StoreSignInPresenter {
    static constexpr int minimumNewPassword = 8;
    static inline const QString resetNote = QStringLiteral("If that address has a store account, a reset link is on its way.");

    // The form's own state.
    struct Input {
        QString email;
        QString password;
        QString name;
        bool newsletter = false;
        bool busy = false;
        bool creating = false;
        bool resetSent = false;
        std::optional<QString> error;
    };

    struct Screen {
        bool nameField = false; // create mode
        QString passwordPlaceholder;
        std::optional<QString> error; // shown verbatim under the fields
        bool resetNote = false;
        bool consent = false; // the newsletter toggle and the consent line
        bool forgotShown = false;
        bool forgotEnabled = false;
        QString switchTitle; // the link to the other mode
        QString primaryTitle;
        bool primarySpinner = false; // in place of the title
        bool primaryEnabled = false;
        bool operator==(const Screen&) const = default;
    };

    static Screen screen(const Input& input);
    // The primary button's rule; also what Return in a field needs.
    static bool canSubmit(const Input& input);
    static bool canRequestReset(const Input& input);
    // The email field when the form comes on screen: the prefill only into an empty field.
    static QString shownEmail(const QString& email, const std::optional<QString>& prefill);

    // What a submit sends.
    struct Submission {
        bool creating = false;
        QString name;  // trimmed; create mode only
        QString email; // trimmed
        QString password; // as typed
        bool newsletter = false;
        bool operator==(const Submission&) const = default;
    };
    static Submission submission(const Input& input);
};

} // namespace hub
