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
    // Checks the nested code at an absolute path and answers its cdhashes; raises on failure.
    using NestedCode = std::function<QList<QByteArray>(const QString& path)>;

    // `bundle` is the bundle folder and `resourceRoot` the folder the seal's paths are relative to
    // (Contents, or a framework's version folder). The paths in `bound` (relative to the resource
    // root: the main executable, Info.plist) are bound by the code directory and skipped here.
    // Flags: strictValidate refuses files that are not sealed; restrictSymlinks refuses links that
    // resolve outside the bundle.
    static void verify(const QString& bundle, const QString& resourceRoot, const QSet<QString>& bound,
                       const QByteArray& codeResources, uint32_t flags, const NestedCode& nestedCode);
};

} // namespace hub
