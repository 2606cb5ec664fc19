#pragma once

#include <QByteArray>
#include <QPair>
#include <QSet>
#include <QString>

namespace hub::test {

// The sealed-resource list Contents/_CodeSignature/CodeResources, as the test signer writes it.
class SealedResources {
public:
    // The XML property list sealing everything under root (Contents/ or a framework's Versions/A/) but
    // the excluded relative paths and _CodeSignature, with the platform's default rules and rules2.
    // Nested code (a bundle folder or a Mach-O file where a nested rule applies) must be signed already.
    static QByteArray codeResources(const QString& root, const QSet<QString>& excluded);
    // The cdhash (strongest CodeDirectory of the first slice, cut to 20 bytes) and designated
    // requirement text of signed nested code.
    static QPair<QByteArray, QString> nestedSeal(const QString& path);
};

} // namespace hub::test
