#include "kit/install/BundleInstaller.h"

#include "kit/platform/FileManager.h"
#include "kit/platform/RunningApplications.h"
#include "kit/support/InstallError.h"
#include "kit/support/Subprocess.h"
#include "kit/support/Version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>
#include <filesystem>

namespace hub {

namespace {

QUrl fileUrl(const QString& path) { return QUrl::fromLocalFile(path); }

// Moves a replaced copy back to its place; failures are ignored (the copy stays in the Trash).
void putBack(const std::optional<QString>& previous, const QString& dest) noexcept
{
    if (!previous)
        return;
    try {
        FileManager::restoreFromTrash(*previous, dest);
    } catch (...) {
    }
}

} // namespace

BundleInstaller::BundleInstaller(CodeVerifier verifier, QString home, QString applications, TrashOperation trash)
    : verifier(std::move(verifier)), home(std::move(home)), applications(std::move(applications)), trash(std::move(trash)),
      isRunning(&RunningApplications::anyInside)
{
}

const BundleInstaller::TrashOperation& BundleInstaller::moveToTrash()
{
    static const TrashOperation& operation = *new TrashOperation([](const QString& path) { return FileManager::trashItem(path); });
    return operation;
}

QString BundleInstaller::destination(const StagedBundle& bundle) const
{
    return QDir::cleanPath(bundle.kind.destinationDirectory(home, applications) + u'/' + bundle.name());
}

QList<std::pair<StagedBundle, VerifiedCode>> BundleInstaller::verifyAll(const QList<StagedBundle>& bundles) const
{
    if (bundles.isEmpty())
        throw InstallError::nothingToInstall();
    QList<std::pair<StagedBundle, VerifiedCode>> verified;
    for (const StagedBundle& bundle : bundles) {
        VerifiedCode code = verifier.verify(fileUrl(bundle.path));
        const bool required = bundle.kind == BundleKind::app ? verifier.policy.requireNotarizedApps
                                                             : verifier.policy.requireNotarizedPlugIns;
        if (required && !code.notarized)
            throw VerificationFailure::notNotarized(bundle.name());
        verified.append({bundle, std::move(code)});
    }
    return verified;
}

void BundleInstaller::refuseIfRunning(const QString& bundle) const
{
    if (!runs(bundle))
        return;
    QString name = QFileInfo(bundle).fileName();
    if (const qsizetype dot = name.lastIndexOf(u'.'); dot > 0)
        name.truncate(dot);
    throw InstallError::appRunning(name);
}

QList<InstalledItem> BundleInstaller::install(const QList<StagedBundle>& bundles) const
{
    const auto verified = verifyAll(bundles);

    for (const auto& [bundle, code] : verified) {
        if (bundle.kind == BundleKind::app)
            refuseIfRunning(destination(bundle));
    }

    for (const auto& [bundle, code] : verified) {
        const QString dest = destination(bundle);
        if (!code.version || !InstalledItem::present(dest))
            continue;
        const auto installed = CodeVerifier::bundleVersion(fileUrl(dest));
        if (installed && Version(*code.version) < Version(*installed))
            throw InstallError::downgrade(QFileInfo(dest).fileName(), *installed, *code.version);
    }

    QList<PlacementRecord> records;
    QList<InstalledItem> items;
    for (const auto& [bundle, code] : verified) {
        const QString dest = destination(bundle);
        std::optional<QString> previous;
        try {
            previous = place(bundle, dest, code);
        } catch (...) {
            rollBack(records);
            throw;
        }
        records.append({dest, previous});
        items.append({dest, bundle.kind, code.identifier, code.teamID, code.version});
    }
    return items;
}

std::optional<QString> BundleInstaller::place(const StagedBundle& bundle, const QString& dest, const VerifiedCode& expected) const
{
    const QFileInfo destInfo(dest);
    const QString name = destInfo.fileName();
    const QString parent = destInfo.path();
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(parent).toStdString()));
    removeLeftoverCopies(dest);

    // The copy goes into dest's own folder, so that swapping it in is a rename.
    const QString temp = parent + u'/' + temporaryName(name);
    const auto discard = [&temp] { FileManager::removeItem(temp); };
    try {
        Subprocess::check(tools.ditto, {bundle.path, temp}, copyTimeout);
    } catch (...) {
        discard(); // whatever a failed or timed-out copy left
        throw;
    }
    // A disk image's tree is read-only; the placed copy must stay the user's to delete.
    FileManager::makeOwnerWritable(temp);

    VerifiedCode copy;
    try {
        copy = verifier.verify(fileUrl(temp));
    } catch (...) {
        discard();
        throw;
    }
    if (copy.identifier != expected.identifier) {
        discard();
        throw InstallError::placementFailed(QStringLiteral("the copy of ") + name + QStringLiteral(" does not match what was verified"));
    }

    std::optional<QString> previous;
    if (InstalledItem::occupied(dest)) {
        // A dangling link holds nothing: it goes to the Trash like an old copy.
        const bool holdsNothing = !QFileInfo::exists(dest);
        if (!holdsNothing && !InstalledItem::holds(verifier, dest, expected.identifier, expected.teamID)) {
            discard();
            throw InstallError::occupied(name);
        }
        try {
            previous = trash(dest);
        } catch (const std::exception& error) {
            discard();
            throw InstallError::placementFailed(QStringLiteral("could not move the old ") + name + QStringLiteral(" to the Trash: ")
                                                + QString::fromUtf8(error.what()));
        }
    }

    try {
        FileManager::moveItem(temp, dest);
    } catch (const std::system_error& error) {
        putBack(previous, dest);
        discard();
        throw InstallError::placementFailed(QString::fromLocal8Bit(error.what()));
    }

    try {
        verifier.verify(fileUrl(dest));
    } catch (...) {
        FileManager::removeItem(dest);
        putBack(previous, dest);
        throw;
    }
    return previous;
}

void BundleInstaller::rollBack(const QList<PlacementRecord>& records) const noexcept
{
    for (auto it = records.crbegin(); it != records.crend(); ++it) {
        FileManager::removeItem(it->destination);
        putBack(it->previous, it->destination);
    }
}

Removal BundleInstaller::uninstall(const QList<InstalledItem>& items) const
{
    Removal removal;
    for (const InstalledItem& item : items) {
        if (!InstalledItem::occupied(item.path))
            continue;
        // What stands at the name and is not the item's code is left and named, no longer the product's.
        if (!item.present(verifier)) {
            removal.changed.append(item.name());
            continue;
        }
        if (item.kind == BundleKind::app && runs(item.path)) {
            removal.open.append(item.name());
            removal.kept.append(item);
            continue;
        }
        try {
            trash(item.path);
            removal.moved.append(item.name());
        } catch (const std::exception& error) {
            removal.kept.append(item);
            removal.refused.append({item.name(), QString::fromUtf8(error.what())});
        }
    }
    return removal;
}

QStringList BundleInstaller::systemCopies(const QList<InstalledItem>& items) const
{
    QStringList copies;
    for (const InstalledItem& item : items) {
        if (!item.kind.systemDirectory())
            continue;
        const QString candidate = QDir::cleanPath(item.kind.destinationDirectory(systemRoot, {}) + u'/' + item.name());
        if (QFileInfo::exists(candidate))
            copies.append(candidate);
    }
    return copies;
}

QString BundleInstaller::temporaryName(const QString& name)
{
    return u'.' + name + QStringLiteral(".tavren-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

bool BundleInstaller::runs(const QString& bundle) const { return isRunning && isRunning(bundle); }

void BundleInstaller::removeLeftoverCopies(const QString& dest) const
{
    static const QRegularExpression uuid(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
    const QFileInfo destInfo(dest);
    const QString prefix = u'.' + destInfo.fileName() + QStringLiteral(".tavren-");
    const QDir parent(destInfo.path());
    const QStringList entries = parent.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (entry.startsWith(prefix) && uuid.match(QStringView(entry).mid(prefix.size())).hasMatch())
            FileManager::removeItem(parent.filePath(entry));
    }
}

} // namespace hub
