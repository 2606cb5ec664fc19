#pragma once

#include "kit/api/StorefrontProduct.h"
#include "kit/install/InstallRecord.h"

#include <QTimeZone>
#include <optional>

namespace hub {

// One Library row from plain values: the status line, the older-copy warning and
// the entries of its actions menu.
struct LibraryRowPresenter {
    struct Input {
        StorefrontProduct product;
        std::optional<InstallRecord> record;
        QList<InstalledItem> presentItems; // the record's items whose bundle is there
        std::optional<QString> latestVersion;
        QStringList systemCopies; // system-wide copies of the record's plug-ins
        QTimeZone zone;
    };

    enum class Action { open, reveal, reinstall, moveToTrash, check, viewInStore };

    struct Entry {
        std::optional<Action> action; // none: a divider
        QString title;
        bool enabled = true;
        bool destructive = false;
        bool operator==(const Entry&) const = default;
    };

    struct Row {
        QString status;
        std::optional<QString> warningToolTip; // the warning shows when set
        QList<Entry> menu;
        QString menuLabel;
    };

    static Row present(const Input& input);
    static QString status(const Input& input);
    static QList<Entry> menu(const Input& input);

    static inline const QString warning
        = QStringLiteral("An older copy is also in /Library/Audio/Plug-Ins. Hosts may load both.");
};

} // namespace hub
