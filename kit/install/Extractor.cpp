#include "kit/install/Extractor.h"

#include "kit/install/PackageInfoReader.h"
#include "kit/install/ScratchFolder.h"
#include "kit/codesign/NativeCodeSigning.h"
#include "kit/support/BundleKind.h"
#include "kit/support/InstallError.h"
#include "kit/support/InstallerToolProtocol.h"
#include "kit/support/NoFollow.h"
#include "kit/support/PathSafety.h"
#include "kit/support/Subprocess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <QUuid>
#include <algorithm>
#include <filesystem>
#include <fcntl.h>
#include <limits>
#include <unistd.h>

namespace hub {

namespace {

constexpr int packageSearchDepth = 7;
constexpr int zipSearchDepth = 7;
constexpr int volumeSearchDepth = 3;

std::filesystem::path fsPath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

void makeFolder(const QString& path)
{
    std::filesystem::create_directories(fsPath(path));
}

// The last path component; trailing separators are ignored.
QString lastComponent(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path.sliced(path.lastIndexOf(u'/') + 1);
}

// Folder types the walk treats as opaque packages besides the bundle kinds.
bool isOtherPackage(const QString& name)
{
    static const QSet<QString> extensions{"bundle", "plugin", "pkg", "mpkg", "kext", "xpc", "appex", "rtfd"};
    return extensions.contains(BundleKind::pathExtension(name).toString().toLower());
}

// W/bundles/<UUID>/name for one found bundle; the caller moves or copies it there.
QString newSlot(const QString& staging, const QString& name)
{
    const QString slot = staging + u'/' + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    makeFolder(slot);
    return slot + u'/' + name;
}

StagedBundle moveIntoSlot(const QString& source, const QString& name, BundleKind kind, const QString& staging)
{
    const QString target = newSlot(staging, name);
    std::filesystem::rename(fsPath(source), fsPath(target));
    return {target, kind};
}

QByteArrayView bytes(std::string_view text) { return QByteArrayView(text.data(), qsizetype(text.size())); }

// Detaches the image on every way out, from the moment its attach starts, unless the
// attach itself reported failure; nothing about the detach is reported.
class AttachedImage {
public:
    AttachedImage(QString hdiutil, QString mountPoint, double timeout)
        : hdiutil_(std::move(hdiutil))
        , mountPoint_(std::move(mountPoint))
        , timeout_(timeout)
    {
    }
    ~AttachedImage()
    {
        if (!attached_)
            return;
        try {
            Subprocess::run(hdiutil_, {QStringLiteral("detach"), mountPoint_, QStringLiteral("-force")}, timeout_);
        } catch (...) {
            // A failed detach never replaces the extraction's own outcome.
        }
    }
    AttachedImage(const AttachedImage&) = delete;
    AttachedImage& operator=(const AttachedImage&) = delete;

    void attachFailed() { attached_ = false; }

private:
    QString hdiutil_;
    QString mountPoint_;
    double timeout_;
    bool attached_ = true;
};

} // namespace

Extractor::Extractor()
    : Extractor(CodeVerifier(SignaturePolicy::tavren(), NativeCodeSigning::standard()))
{
}

Extractor::Extractor(CodeVerifier verifier)
    : verifier(std::move(verifier))
{
}

QString Extractor::limitArgument() const
{
    return QStringLiteral("--limit-bytes=") + QString::number(maxExpandedBytes);
}

void Extractor::runUnpacker(const QString& tool, const QStringList& arguments, const QString& output) const
{
    const auto result = Subprocess::run(tool, QStringList{limitArgument()} + arguments, timeouts.expand);
    if (result.status == InstallerToolProtocol::limitReachedStatus) {
        // What was written may since have shrunk (packed payloads are removed once
        // unpacked), but the tool wrote more than the limit.
        const std::int64_t overLimit = maxExpandedBytes + (maxExpandedBytes < std::numeric_limits<std::int64_t>::max() ? 1 : 0);
        throw InstallError::tooLarge(std::max(PathSafety::treeSize(output), overLimit));
    }
    Subprocess::checkStatus(tool, result);
}

void Extractor::checkMeasuredSize(const QString& tree) const
{
    const std::int64_t size = PathSafety::treeSize(tree);
    if (size > maxExpandedBytes)
        throw InstallError::tooLarge(size);
}

Extraction Extractor::extract(const QString& artifact, ArtifactKind kind, const QString& workDirectory) const
{
    const QString staging = workDirectory + QStringLiteral("/bundles");
    makeFolder(workDirectory);
    // A real folder: a link standing there goes, so nothing is staged where it points.
    NoFollow::makeFolder(AT_FDCWD, QFile::encodeName(staging));
    const ScratchFolder scratch(workDirectory);
    switch (kind) {
    case ArtifactKind::pkg:
        return extractPackage(artifact, scratch.path(), staging);
    case ArtifactKind::zip:
        return extractZip(artifact, scratch.path(), staging);
    case ArtifactKind::dmg:
        return extractDiskImage(artifact, scratch.path(), staging);
    }
    Q_UNREACHABLE();
}

// ---- packages

void Extractor::checkPackageSignature(const QString& package) const
{
    using Protocol = InstallerToolProtocol;
    const auto result = Subprocess::run(
        tools.pkgutil, {QStringLiteral("--check-signature"), QString::fromLatin1(bytes(Protocol::machineReadableOption)), package},
        timeouts.signature);
    // The verdict's fixed lines: the status first, then the leaf when the signature verified.
    const QList<QByteArray> lines = result.stdout.split('\n');
    const QByteArrayView statusLine = bytes(Protocol::statusPrefix);
    const QByteArrayView leafLine = bytes(Protocol::leafPrefix);
    const QByteArray status = lines.value(0).startsWith(statusLine) ? lines.value(0).sliced(statusLine.size()) : QByteArray();
    if (status == bytes(Protocol::noSignature)) {
        if (requireSignedContainers)
            throw InstallError::untrustedContainer(QStringLiteral("the package is not signed"));
        return;
    }
    std::optional<QString> leaf;
    if (lines.value(1).startsWith(leafLine))
        leaf = QString::fromUtf8(QByteArray::fromPercentEncoding(lines.value(1).sliced(leafLine.size())));
    const bool accepted = result.status == 0 && status == bytes(Protocol::trustedForDistribution) && leaf
        && leaf->contains(u"Developer ID Installer:") && leaf->endsWith(u'(' + verifier.policy.teamID + u')');
    if (!accepted)
        throw InstallError::untrustedContainer(QStringLiteral("the package is not signed by Tavren's Developer ID"));
}

void Extractor::checkPackageSize(const QString& package, const QString& work) const
{
    makeFolder(work);
    const ScratchFolder scratch(work);
    const QString flat = scratch / QStringLiteral("flat");
    runUnpacker(tools.pkgutil, {QStringLiteral("--expand"), package, flat}, flat);
    // The PackageInfo files are read through whatever links the package holds.
    PathSafety::assertNoEscapingLinks(flat);

    std::int64_t kibibytes = 0;
    for (const auto& component : componentDirectories(flat)) {
        const std::int64_t declared = installKBytes(component + QStringLiteral("/PackageInfo"));
        if (kibibytes > std::numeric_limits<std::int64_t>::max() - declared) {
            kibibytes = std::numeric_limits<std::int64_t>::max();
            break;
        }
        kibibytes += declared;
    }
    const std::int64_t bytes =
        kibibytes > std::numeric_limits<std::int64_t>::max() / 1024 ? std::numeric_limits<std::int64_t>::max() : kibibytes * 1024;
    if (bytes > maxExpandedBytes)
        throw InstallError::tooLarge(bytes);
}

std::int64_t Extractor::installKBytes(const QString& packageInfo)
{
    QFile file(packageInfo);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    static const QRegularExpression attribute(QStringLiteral("installKBytes=\"([0-9]+)\""));
    const auto match = attribute.match(QString::fromUtf8(file.readAll()));
    if (!match.hasMatch())
        return 0;
    bool ok = false;
    const qlonglong value = match.capturedView(1).toLongLong(&ok);
    // Only digits matched, so a count that does not parse is one beyond 64 bits.
    return ok ? value : std::numeric_limits<std::int64_t>::max();
}

QStringList Extractor::componentDirectories(const QString& root)
{
    if (QFileInfo::exists(root + QStringLiteral("/PackageInfo")))
        return {root};
    const QDir dir(root);
    if (!dir.exists())
        return {};
    QStringList components;
    const auto names = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const auto& name : names) {
        const QString child = root + u'/' + name;
        if (QFileInfo::exists(child + QStringLiteral("/PackageInfo")))
            components << child;
    }
    std::sort(components.begin(), components.end(),
              [](const QString& a, const QString& b) { return lastComponent(a) < lastComponent(b); });
    return components;
}

Extraction Extractor::extractPackage(const QString& package, const QString& work, const QString& staging) const
{
    checkPackageSignature(package);
    checkPackageSize(package, work);

    const QString expanded = work + QStringLiteral("/expanded");
    runUnpacker(tools.pkgutil, {QStringLiteral("--expand-full"), package, expanded}, expanded);
    PathSafety::assertNoEscapingLinks(expanded);
    checkMeasuredSize(expanded);

    Extraction extraction;
    for (const auto& component : componentDirectories(expanded)) {
        const QString name = lastComponent(component);
        if (QFileInfo(component + QStringLiteral("/Scripts")).exists() || QFileInfo(component + QStringLiteral("/Scripts")).isSymLink())
            extraction.notes << QStringLiteral("Skipped the installer scripts in ") + name
                    + QStringLiteral("; the hub installs files only.");
        const QString payload = component + QStringLiteral("/Payload");
        const QFileInfo payloadInfo(payload);
        if (!payloadInfo.exists() && !payloadInfo.isSymLink())
            continue;

        QFile info(component + QStringLiteral("/PackageInfo"));
        std::optional<QString> location;
        if (info.open(QIODevice::ReadOnly))
            location = PackageInfoReader::installLocation(info.readAll());
        if (location) {
            const QString bundleName = lastComponent(*location);
            const auto kind = BundleKind::fromPath(bundleName);
            if (PathSafety::isAcceptableBundleName(bundleName) && kind) {
                extraction.bundles << moveIntoSlot(payload, bundleName, *kind, staging);
                continue;
            }
        }
        for (const auto& found : findBundles(payload, packageSearchDepth))
            extraction.bundles << moveIntoSlot(found.path, found.name(), found.kind, staging);
    }
    return extraction;
}

// ---- zip archives

void Extractor::checkZipSize(const QString& zip) const
{
    const auto result = Subprocess::check(tools.zipinfo, {QStringLiteral("-t"), zip}, timeouts.list);
    static const QRegularExpression total(QStringLiteral("([0-9]+) bytes uncompressed"));
    const auto match = total.match(QString::fromUtf8(result.stdout));
    bool ok = false;
    const qlonglong size = match.hasMatch() ? match.capturedView(1).toLongLong(&ok) : 0;
    if (!ok)
        throw InstallError::unsafeArchive(QStringLiteral("the zip's size could not be read"));
    if (size > maxExpandedBytes)
        throw InstallError::tooLarge(size);
}

Extraction Extractor::extractZip(const QString& zip, const QString& work, const QString& staging) const
{
    checkZipSize(zip);
    const QString unzipped = work + QStringLiteral("/unzipped");
    runUnpacker(tools.ditto, {QStringLiteral("-x"), QStringLiteral("-k"), zip, unzipped}, unzipped);
    PathSafety::assertNoEscapingLinks(unzipped);
    checkMeasuredSize(unzipped);

    Extraction extraction;
    for (const auto& found : findBundles(unzipped, zipSearchDepth))
        extraction.bundles << moveIntoSlot(found.path, found.name(), found.kind, staging);
    return extraction;
}

// ---- disk images

Extraction Extractor::extractDiskImage(const QString& image, const QString& work, const QString& staging) const
{
    // A signature that is present but fails throws, whatever the setting.
    const bool signedImage = verifier.verifyContainerSignature(QUrl::fromLocalFile(image));
    if (!signedImage && requireSignedContainers)
        throw InstallError::untrustedContainer(QStringLiteral("the disk image is not signed"));

    const QString mount = work + QStringLiteral("/mount");
    makeFolder(mount);
    // An attach that times out may have got part of the way: it is detached as well.
    AttachedImage attached(tools.hdiutil, mount, timeouts.detach);
    const auto attach = Subprocess::run(
        tools.hdiutil,
        {limitArgument(), QStringLiteral("attach"), image,
         QStringLiteral("-nobrowse"), QStringLiteral("-readonly"), QStringLiteral("-noautoopen"), QStringLiteral("-mountpoint"),
         mount, QStringLiteral("-plist")},
        timeouts.attach);
    if (attach.status != 0)
        attached.attachFailed();
    Subprocess::checkStatus(tools.hdiutil, attach);

    const auto found = findBundles(mount, volumeSearchDepth);
    std::int64_t total = 0;
    for (const auto& bundle : found)
        total += PathSafety::treeSize(bundle.path);
    if (total > maxExpandedBytes)
        throw InstallError::tooLarge(total);

    Extraction extraction;
    for (const auto& bundle : found) {
        const QString target = newSlot(staging, bundle.name());
        runUnpacker(tools.ditto, {bundle.path, target}, staging);
        extraction.bundles << StagedBundle{target, bundle.kind};
    }
    PathSafety::assertNoEscapingLinks(staging);
    checkMeasuredSize(staging);
    return extraction;
}

// ---- bundle search

QList<StagedBundle> Extractor::findBundles(const QString& root, int maxDepth)
{
    QList<StagedBundle> bundles;
    const QString base = QDir::cleanPath(root);
    if (!QFileInfo(base).isDir())
        return bundles;

    struct Pending {
        QString path;
        int depth;
    };
    QList<Pending> stack{{base, 0}};
    while (!stack.isEmpty()) {
        const Pending folder = stack.takeLast();
        const auto names = QDir(folder.path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                       QDir::Name | QDir::Reversed);
        for (const auto& name : names) {
            const QString path = folder.path + u'/' + name;
            const int depth = folder.depth + 1;
            const QFileInfo info(path);
            if (info.isSymLink() || name == u"__MACOSX" || depth > maxDepth)
                continue;
            if (!info.isDir())
                continue;
            if (const auto kind = BundleKind::fromPath(name)) {
                if (PathSafety::isAcceptableBundleName(name))
                    bundles << StagedBundle{path, *kind};
                continue;
            }
            if (isOtherPackage(name))
                continue;
            stack << Pending{path, depth};
        }
    }
    std::stable_sort(bundles.begin(), bundles.end(),
                     [](const StagedBundle& a, const StagedBundle& b) { return a.name() < b.name(); });
    return bundles;
}

} // namespace hub
