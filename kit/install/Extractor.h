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
// Synchronous; blocks on the installer tools. Holds no state between calls.
class Extractor {
public:
    static constexpr std::int64_t defaultMaxExpandedBytes = std::int64_t(4) << 30;

    // The maker's policy over this deployment's code-signing service.
    Extractor();
    explicit Extractor(CodeVerifier verifier);

    // Throws InstallError, VerificationFailure and file-system errors (std::system_error).
    Extraction extract(const QString& artifact, ArtifactKind kind, const QString& workDirectory) const;

    // Expands the package without payloads into work/flat and refuses it when its
    // components declare more than maxExpandedBytes. work/flat is removed afterwards.
    void checkPackageSize(const QString& package, const QString& work) const;
    // The first installKBytes="N" of a PackageInfo file; 0 when unreadable or absent.
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

private:
    Extraction extractPackage(const QString& package, const QString& work, const QString& staging) const;
    Extraction extractZip(const QString& zip, const QString& work, const QString& staging) const;
    Extraction extractDiskImage(const QString& image, const QString& work, const QString& staging) const;
    void checkPackageSignature(const QString& package) const;
    void checkMeasuredSize(const QString& tree) const;
    // The "--limit-bytes=N" that bounds what a tool may write.
    QString limitArgument() const;
};

} // namespace hub
