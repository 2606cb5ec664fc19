#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>
#include <vector>

namespace hub::test {

// CPU of one Mach-O slice.
enum class Architecture { x86_64, arm64 };

// Which CodeDirectories a signature carries.
enum class Digests {
    sha256,      // one SHA-256 CodeDirectory in slot 0 (what current tools write)
    sha1AndSha256, // SHA-1 CodeDirectory in slot 0, SHA-256 one in the alternate slot 0x1000
    sha1,        // one SHA-1 CodeDirectory (old signatures)
};

// How the executables of one bundle are signed.
struct SignatureOptions {
    Digests digests = Digests::sha256;
    bool hardenedRuntime = true;             // CodeDirectory flag 0x10000
    std::optional<QByteArray> entitlements;  // XML plist; sealed in slot -5 and blob 0xfade7171
    // When set, this slice's CodeDirectory carries a wrong hash for its first code page while its
    // CMS signature is sound: "one slice of a fat binary signed badly".
    std::optional<Architecture> badSlice;
};

// A symbolic link inside a bundle, sealed in CodeResources as a symlink entry.
struct BundleLink {
    QString path;   // relative to Contents/ (or a framework's Versions/A/)
    QString target; // the link's text, as written (may point out of the bundle)
};

// A bundle to build. Kinds and layouts:
//   vst3, component, clap, vst, app: Name.<kind>/Contents/{Info.plist, PkgInfo (app only),
//     MacOS/<Name>, Resources/..., _CodeSignature/CodeResources}
//   framework: Name.framework/Versions/A/{Name, Resources/Info.plist, Resources/...,
//     _CodeSignature/CodeResources}, with the links Versions/Current -> A, Name -> Versions/Current/Name
//     and Resources -> Versions/Current/Resources, as the platform lays frameworks out.
struct BundleSpec {
    enum class Kind { vst3, component, clap, vst, app, framework };

    Kind kind = Kind::vst3;
    QString name = QStringLiteral("Foo");                      // folder base name and executable name
    QString identifier = QStringLiteral("com.tavren.foo");     // CFBundleIdentifier and signing identifier
    std::optional<QString> version = QStringLiteral("120");    // CFBundleVersion
    std::optional<QString> shortVersion = QStringLiteral("1.2"); // CFBundleShortVersionString
    bool infoPlist = true;        // false: no Info.plist at all
    bool binaryInfoPlist = false; // write Info.plist as a binary property list
    QList<Architecture> architectures{Architecture::x86_64, Architecture::arm64}; // one = thin, two = fat
    qint64 codeSize = 6000;       // bytes of __text per slice (deterministic pseudo-random content)
    // Files under Resources/ (relative paths; "en.lproj/..." entries are optional by the sealing rules).
    QMap<QString, QByteArray> resources{{QStringLiteral("Info.txt"), "Tavren test bundle\n"}};
    QList<BundleLink> links;
    // Code inside this bundle (frameworks, helper apps), each signed before its host and placed
    // under Contents/<its nestedFolder>/.
    std::vector<BundleSpec> nested;
    QString nestedFolder = QStringLiteral("Frameworks"); // used when this bundle is nested in another
    SignatureOptions signature;

    // The folder name: name + "." + the kind's extension.
    QString fileName() const;
    // Shorthands for the usual shapes.
    static BundleSpec plugIn(const QString& name = QStringLiteral("Foo"), Kind kind = Kind::vst3);
    static BundleSpec app(const QString& name = QStringLiteral("Foo"));
    static BundleSpec framework(const QString& name);
};

QString extension(BundleSpec::Kind kind);

} // namespace hub::test
