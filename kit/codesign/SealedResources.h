#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <cstdint>
#include <functional>

namespace hub {

// Checks a bundle's files against its sealed resource list (Contents/_CodeSignature/CodeResources,
// the "files2" and "rules2" dictionaries). Raises CodeSignatureFault on the first problem.
class SealedResources {
public:
    // Where, relative to the resource root, the signature keeps its files, and the one file it keeps there.
    static inline const QString signatureFolder = QStringLiteral("_CodeSignature");
    static inline const QString resourceListName = QStringLiteral("CodeResources");
    // Where, relative to the resource root, a notarization ticket is stapled. It is added after
    // signing, so the seal does not cover it; the ticket carries its own signature.
    static inline const QString ticketFile = QStringLiteral("_NotarizationTicket");

    // Checks the nested code at an absolute path and answers its cdhashes; raises on failure.
    using NestedCode = std::function<QList<QByteArray>(const QString& path)>;

    // `bundle` is the bundle folder and `resourceRoot` the folder the seal's paths are relative to
    // (Contents, or a framework's version folder). The paths in `bound` (relative to the resource
    // root: the main executable, Info.plist) are bound by the code directory and skipped here.
    // Flags: strictValidate refuses files that are not sealed (in the signature's folder: anything
    // but the resource list); restrictSymlinks refuses links that resolve outside the bundle.
    static void verify(const QString& bundle, const QString& resourceRoot, const QSet<QString>& bound,
                       const QByteArray& codeResources, uint32_t flags, const NestedCode& nestedCode);
};

} // namespace hub
