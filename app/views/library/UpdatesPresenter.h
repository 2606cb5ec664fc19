#pragma once

#include "kit/api/StorefrontProduct.h"
#include "kit/install/InstallRecord.h"

#include <QDateTime>
#include <QHash>
#include <optional>

namespace hub {

// The Updates screen from plain values: the checked line, "Update All", which of
// sign-in, up to date or the available list shows, and the installed list, newest
// install first.
struct UpdatesPresenter {
    struct Update {
        StorefrontProduct product;
        std::optional<QString> installedVersion; // its install record's
        std::optional<QString> latestVersion;
        std::optional<QString> notes; // the release notes of the latest version
    };

    struct Input {
        bool signedIn = false;
        QList<Update> updates; // the model's available updates, in order
        QList<InstallRecord> installed; // the model's order: by product name
        QHash<QString, StorefrontProduct> storeProducts; // of the installed records, when in the storefront
        std::optional<QDateTime> lastChecked;
        QDateTime now;
    };

    enum class Block { signIn, upToDate, available };

    struct AvailableRow {
        StorefrontProduct product;
        QString versionLine;
        std::optional<QString> notes; // none: no notes and no More button
    };

    struct InstalledRow {
        QString productId;
        QString name;
        QString detail;
        std::optional<StorefrontProduct> icon; // the storefront's product, when listed
    };

    struct Screen {
        QString checkedLine;
        bool showsUpdateAll = false;
        Block block = Block::signIn;
        QList<AvailableRow> available;
        QList<InstalledRow> installed;
    };

    static Screen present(const Input& input);
    static QString checkedLine(const std::optional<QDateTime>& lastChecked, const QDateTime& now);
    // Stable, later installs first.
    static QList<InstallRecord> newestFirst(QList<InstallRecord> records);
    // "More" collapsed, "Less" expanded.
    static QString toggleTitle(bool expanded);

    static inline const QString title = QStringLiteral("Updates");
    static inline const QString updateAll = QStringLiteral("Update All");
    static inline const QString autoUpdate = QStringLiteral("Install updates automatically");
    static inline const QString autoUpdateHelp
        = QStringLiteral("When an update is published, download, check and install it without asking.");
    static inline const QString signInReason = QStringLiteral("Sign in to see updates for what you own.");
    static inline const QString upToDate = QStringLiteral("Everything you installed is up to date.");
    static inline const QString availableTitle = QStringLiteral("Available");
    static inline const QString installedTitle = QStringLiteral("Installed");
};

} // namespace hub
