#pragma once

#include "kit/install/InstalledItem.h"
#include "kit/install/PlacementRecord.h"
#include "kit/install/Removal.h"
#include "kit/install/StagedBundle.h"
#include "kit/platform/SystemTools.h"
#include "kit/security/CodeVerifier.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

namespace hub {

// Puts verified bundles where they belong and takes them away again. An install
// verifies every bundle and refuses running apps and downgrades before it writes
// anything; then each bundle is copied beside its destination under a hidden name
// (its modes kept, writable by its owner), verified again, the old copy (which must be the same product from the same
// team, or a dangling link) goes to the Trash and the copy is renamed into place. A failed placement undoes the earlier
// ones of the same install. Holds no state between calls; the caller
// holds the install lock.
class BundleInstaller {
public:
    // Moves an item to the Trash; returns where it went. Throws on failure.
    // Must be safe to call from any thread.
    using TrashOperation = std::function<QString(const QString& path)>;
    // Whether a program is running from inside the bundle at the path.
    using RunningCheck = std::function<bool(const QString& bundle)>;

    static constexpr double copyTimeout = 300;

    BundleInstaller(CodeVerifier verifier, QString home, QString applications, TrashOperation trash = moveToTrash());

    // The user's freedesktop Trash.
    static const TrashOperation& moveToTrash();

    // The kind's folder under home or applications + the bundle's file name.
    QString destination(const StagedBundle& bundle) const;
    // Every bundle's verification, in order; apps and plug-ins must be notarized when the
    // policy says so. Throws InstallError::nothingToInstall for an empty list and the
    // first VerificationFailure.
    QList<std::pair<StagedBundle, VerifiedCode>> verifyAll(const QList<StagedBundle>& bundles) const;
    // Throws InstallError::appRunning(name without extension) when a program runs from
    // inside the bundle at the path.
    void refuseIfRunning(const QString& bundle) const;
    // One item per bundle, in order. Throws InstallError, VerificationFailure or the file
    // system's std::system_error; on failure every bundle is back as it was.
    QList<InstalledItem> install(const QList<StagedBundle>& bundles) const;
    // Copies the bundle beside dest and swaps it in; returns where the replaced copy went.
    // Hidden copies beside dest that an interrupted earlier placement left are removed first.
    std::optional<QString> place(const StagedBundle& bundle, const QString& dest, const VerifiedCode& expected) const;
    // Undoes placements, last first: removes each placed bundle and moves back what it replaced.
    void rollBack(const QList<PlacementRecord>& records) const noexcept;
    // Moves each item to the Trash, every one tried; returns what moved and what stayed.
    // An item with nothing at its path is no problem. What stands at an item's path and is
    // not the code that was installed (another bundle, a link, even a dangling one) stays
    // and is named, and is no longer the product's; an app that runs and an item the Trash
    // refuses stay and are still the product's.
    Removal uninstall(const QList<InstalledItem>& items) const;
    // The system-wide copies of the installed plug-ins that exist.
    QStringList systemCopies(const QList<InstalledItem>& items) const;

    // "." + name + ".tavren-" + a fresh upper-case UUID.
    static QString temporaryName(const QString& name);

    CodeVerifier verifier;
    QString home;
    QString applications;
    TrashOperation trash;
    RunningCheck isRunning;
    QString systemRoot = QStringLiteral("/"); // system-wide plug-ins are under its Library/Audio/Plug-Ins
    SystemTools tools = SystemTools::installed();

private:
    bool runs(const QString& bundle) const;
    void removeLeftoverCopies(const QString& dest) const;
};

} // namespace hub
