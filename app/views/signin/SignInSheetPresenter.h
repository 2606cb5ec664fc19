#pragma once

#include "app/model/SignInPurpose.h"

#include <QStringList>
#include <optional>

namespace hub {

// The sign-in sheet: which form it shows for its purpose and tab, and its texts.
struct SignInSheetPresenter {
    enum class Mode { tavrenID, store };
    enum class Form { tavrenID, store };

    static inline const QString keychainNote =
        QStringLiteral("Sessions are kept in the system keyring on this computer. Passwords are never stored.");

    struct Screen {
        QString title;
        QString subtitle;
        bool picker = false;
        Form form = Form::tavrenID;
        bool operator==(const Screen&) const = default;
    };

    static Screen screen(const SignInPurpose& purpose, Mode mode);
    // The store form's address: the Tavren ID's own, first of all its addresses.
    static std::optional<QString> prefill(const std::optional<QStringList>& profileEmails);
    // The picker's options, in order.
    static const QList<std::pair<Mode, QString>>& modes();
};

} // namespace hub
