#pragma once

#include <QByteArray>
#include <QList>
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

    // `bundle` is the bundle folder; resources are sealed relative to its Contents folder.
    // `mainExecutable` (relative to Contents) and Info.plist are bound by the code directory and
    // skipped here. Flags: strictValidate refuses files that are not sealed and anything beside
    // Contents; restrictSymlinks refuses links that resolve outside the bundle.
    static void verify(const QString& bundle, const QString& mainExecutable, const QByteArray& codeResources,
                       uint32_t flags, const NestedCode& nestedCode);
};

} // namespace hub
