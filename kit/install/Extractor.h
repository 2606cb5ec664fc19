#pragma once

#include "kit/install/ArtifactKind.h"
#include "kit/install/Extraction.h"
#include "kit/install/StagedBundle.h"
#include "kit/platform/SystemTools.h"
#include "kit/security/CodeVerifier.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace hub {

// Turns one downloaded package, zip archive or disk image into bundles staged under
// the work folder W, never running anything from it: W/bundles/<UUID>/<name> per
// bundle. Checks the container's own signature, the declared expanded size before
// unpacking and the measured size after, and refuses links that leave the tree.
// Each extraction unpacks into a fresh folder of its own inside W and removes it on
// every way out (a disk image is detached first), so only W/bundles stays behind.
// Synchronous; blocks on the installer tools. Holds no state between calls.
class Extractor {
public:
    static constexpr std::int64_t defaultMaxExpandedBytes = std::int64_t(4) << 30;

    // Seconds each tool run may take.
    struct Timeouts {
        double signature = 120;
        double expand = 300; // each expansion, unpacking or copy
        double list = 120;
        double attach = 120;
        double detach = 60;
    };

    // The maker's policy over this deployment's code-signing service.
    Extractor();
    explicit Extractor(CodeVerifier verifier);

    // Throws InstallError, VerificationFailure and file-system errors (std::system_error).
    Extraction extract(const QString& artifact, ArtifactKind kind, const QString& workDirectory) const;

    // Expands the package without payloads into a fresh folder inside work and refuses
    // it when its components declare more than maxExpandedBytes, or when its links lead
    // out of it. The folder is removed on every way out.
    void checkPackageSize(const QString& package, const QString& work) const;
    // The first installKBytes="N" of a PackageInfo file; 0 when unreadable or absent,
    // the largest 64-bit count when the digits go beyond it.
    static std::int64_t installKBytes(const QString& packageInfo);
    // root itself when it holds a PackageInfo, else its children that do, by name.
    static QStringList componentDirectories(const QString& root);
    // Refuses a zip whose listing totals more than maxExpandedBytes or shows no total.
    void checkZipSize(const QString& zip) const;
    // Bundle folders under root at most maxDepth components down, sorted by name:
    // links, "__MACOSX" folders and anything inside a bundle or package are passed over,
    // as are bundles whose names PathSafety does not accept.
    static QList<StagedBundle> findBundles(const QString& root, int maxDepth);

    std::int64_t maxExpandedBytes = defaultMaxExpandedBytes;
    CodeVerifier verifier;
    bool requireSignedContainers = false;
    SystemTools tools = SystemTools::installed();
    Timeouts timeouts;

private:
    Extraction extractPackage(const QString& package, const QString& work, const QString& staging) const;
    Extraction extractZip(const QString& zip, const QString& work, const QString& staging) const;
    Extraction extractDiskImage(const QString& image, const QString& work, const QString& staging) const;
    void checkPackageSignature(const QString& package) const;
    void checkMeasuredSize(const QString& tree) const;
    // Runs ditto or pkgutil under "--limit-bytes=maxExpandedBytes": a run that stopped at
    // the limit is tooLarge with what it left in output, any other failure toolFailed.
    void runUnpacker(const QString& tool, const QStringList& arguments, const QString& output) const;
    // The "--limit-bytes=N" that bounds what a tool may write.
    QString limitArgument() const;
};

} // namespace hub
