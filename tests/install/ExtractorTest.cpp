#include "kit/install/Extractor.h"
#include "kit/codesign/NativeCodeSigning.h"
#include "kit/security/CodeSigningService.h"
#include "kit/security/VerificationFailure.h"
#include "kit/support/InstallError.h"
#include "kit/support/PathSafety.h"
#include "kit/support/Subprocess.h"
#include "tests/testkit/FileTree.h"
#include "tests/testkit/CertificateFactory.h"
#include "tests/testkit/ArchiveEntry.h"
#include "tests/testkit/DiskImageBuilder.h"
#include "tests/testkit/PackageBuilder.h"
#include "tests/testkit/SigningIdentity.h"
#include "tests/testkit/TestSigner.h"
#include "tests/testkit/Thrown.h"
#include "tests/testkit/ZipBuilder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace hub;
using hub::test::ArchiveEntry;
using hub::test::DiskImageBuilder;
using hub::test::thrown;
using hub::test::PackageBuilder;
using hub::test::PackageComponent;
using hub::test::ZipBuilder;
using hub::test::treeOf;

namespace {

// A code-signing service for disk images: no code object (unsigned), or one whose
// check ends with the given status.
class ImageSigningService : public CodeSigningService {
public:
    explicit ImageSigningService(std::optional<int32_t> status) : status_(status) {}

    std::shared_ptr<const StaticCode> createStaticCode(const QString&) const override
    {
        return status_ ? std::make_shared<StaticCode>() : nullptr;
    }
    Validity checkValidity(const StaticCode&, uint32_t, const Requirement*) const override { return {*status_, {}}; }
    std::shared_ptr<const Requirement> compileRequirement(const QString&) const override
    {
        return std::make_shared<Requirement>();
    }
    std::optional<QVariantMap> copySigningInformation(const StaticCode&, uint32_t) const override { return {}; }
    std::optional<QString> statusMessage(int32_t) const override { return {}; }

private:
    std::optional<int32_t> status_;
};

Extractor extractorWith(std::optional<int32_t> imageStatus = std::nullopt)
{
    return Extractor(CodeVerifier(SignaturePolicy::tavren(), std::make_shared<ImageSigningService>(imageStatus)));
}

// A test folder: inputs in "in", the extractor's work folder "work", nothing else.
struct Box {
    QTemporaryDir dir;
    Box()
    {
        QDir().mkpath(in());
        QDir().mkpath(work());
    }
    QString in(const QString& name = {}) const { return dir.path() + "/in" + (name.isEmpty() ? "" : "/" + name); }
    QString work(const QString& name = {}) const { return dir.path() + "/work" + (name.isEmpty() ? "" : "/" + name); }
    QStringList outside() const
    {
        QStringList found;
        for (const auto& path : treeOf(dir.path())) {
            if (path != "in" && path != "work" && !path.startsWith("in/") && !path.startsWith("work/"))
                found << path;
        }
        return found;
    }
    // A shell script standing in for a tool.
    QString script(const QString& name, const QByteArray& body) const
    {
        const QString path = in(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\n" + body);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
};

// The real tool without the extractor's limit, so that only the extractor measures.
QByteArray withoutLimit(const QByteArray& tool)
{
    return "case \"$1\" in --limit-bytes=*) shift;; esac\nexec " HUB_LIBEXEC_DIR "/" + tool + " \"$@\"\n";
}

QStringList names(const Extraction& extraction)
{
    QStringList out;
    for (const auto& bundle : extraction.bundles)
        out << bundle.name() + ":" + bundle.kind.toString();
    return out;
}

PackageComponent component(QByteArray folder, QList<ArchiveEntry> payload, qint64 kbytes = 1)
{
    PackageComponent c;
    c.folder = std::move(folder);
    c.payload = std::move(payload);
    c.installKBytes = kbytes;
    return c;
}

// ---- size checks and discovery

TEST(ExtractorSizeChecks, PackageInfoDeclarations)
{
    Box box;
    struct Case {
        QByteArray text;
        std::int64_t kbytes;
    };
    const QList<Case> cases = {
        {R"(<pkg-info><payload installKBytes="4194304"/></pkg-info>)", 4194304},
        {R"(<payload installKBytes="12"/><payload installKBytes="99"/>)", 12},
        {R"(<payload numberOfFiles="3"/>)", 0},
        {R"(installKBytes='12')", 0},
        {R"(installKBytes="9223372036854775807")", std::numeric_limits<std::int64_t>::max()},
        {R"(installKBytes="9223372036854775808")", std::numeric_limits<std::int64_t>::max()},
        {R"(installKBytes="99999999999999999999999")", std::numeric_limits<std::int64_t>::max()},
        {"", 0},
    };
    for (const auto& c : cases) {
        QFile file(box.in("PackageInfo"));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(c.text);
        file.close();
        EXPECT_EQ(Extractor::installKBytes(box.in("PackageInfo")), c.kbytes) << c.text.toStdString();
    }
    EXPECT_EQ(Extractor::installKBytes(box.in("missing")), 0);
}

TEST(ExtractorSizeChecks, ComponentFolders)
{
    Box box;
    DiskImageBuilder::materialize({ArchiveEntry::file("flat/PackageInfo", "x"), ArchiveEntry::file("flat/b.pkg/PackageInfo", "x")},
                                  box.in());
    EXPECT_EQ(Extractor::componentDirectories(box.in("flat")), QStringList{box.in("flat")});

    DiskImageBuilder::materialize({ArchiveEntry::file("dist/c.pkg/PackageInfo", "x"), ArchiveEntry::file("dist/a.pkg/PackageInfo", "x"),
                                   ArchiveEntry::file("dist/.b.pkg/PackageInfo", "x"), ArchiveEntry::file("dist/Resources/en.lproj", "x"),
                                   ArchiveEntry::file("dist/Distribution", "x")},
                                  box.in());
    EXPECT_EQ(Extractor::componentDirectories(box.in("dist")),
              QStringList({box.in("dist/.b.pkg"), box.in("dist/a.pkg"), box.in("dist/c.pkg")}));
    EXPECT_EQ(Extractor::componentDirectories(box.in("missing")), QStringList());
}

TEST(ExtractorSizeChecks, DeclaredPackageSizeAgainstTheLimit)
{
    Box box;
    const auto extractor = extractorWith();
    PackageBuilder().add(component("", ArchiveEntry::bundle("Synth.vst3"), 4194304)).write(box.in("exact.pkg"));
    EXPECT_NO_THROW(extractor.checkPackageSize(box.in("exact.pkg"), box.work()));
    EXPECT_FALSE(QFileInfo::exists(box.work("flat")));

    PackageBuilder().add(component("", ArchiveEntry::bundle("Synth.vst3"), 4194305)).write(box.in("over.pkg"));
    EXPECT_EQ(thrown<InstallError>([&] { extractor.checkPackageSize(box.in("over.pkg"), box.work()); }),
              InstallError::tooLarge(4294968320));
    EXPECT_FALSE(QFileInfo::exists(box.work("flat")));

    // Three components count together; a huge declaration neither wraps nor passes.
    PackageBuilder()
        .add(component("a.pkg", {}, 2000000))
        .add(component("b.pkg", {}, 2000000))
        .add(component("c.pkg", {}, 194305))
        .write(box.in("three.pkg"));
    EXPECT_EQ(thrown<InstallError>([&] { extractor.checkPackageSize(box.in("three.pkg"), box.work()); }).bytes, 4294968320);
    PackageBuilder().add(component("a.pkg", {}, 9000000000000000000)).add(component("b.pkg", {}, 9000000000000000000))
        .write(box.in("huge.pkg"));
    EXPECT_EQ(thrown<InstallError>([&] { extractor.checkPackageSize(box.in("huge.pkg"), box.work()); }).kind,
              InstallError::Kind::tooLarge);
    auto beyond = component("", {});
    beyond.packageInfo = QByteArray(R"(<pkg-info><payload installKBytes="9223372036854775808"/></pkg-info>)");
    PackageBuilder().add(beyond).write(box.in("beyond.pkg"));
    EXPECT_EQ(thrown<InstallError>([&] { extractor.checkPackageSize(box.in("beyond.pkg"), box.work()); }).kind,
              InstallError::Kind::tooLarge);

    QFile(box.in("junk.pkg")).open(QIODevice::WriteOnly);
    EXPECT_EQ(thrown<InstallError>([&] { extractor.checkPackageSize(box.in("junk.pkg"), box.work()); }).kind,
              InstallError::Kind::toolFailed);
}

TEST(ExtractorSizeChecks, ZipTotalsLine)
{
    Box box;
    struct Case {
        const char* output;
        std::optional<InstallError> error;
    };
    const QList<Case> cases = {
        {"1 file, 4294967296 bytes uncompressed, 10 bytes compressed:  99.9%", std::nullopt},
        {"1 file, 4294967297 bytes uncompressed, 10 bytes compressed:  99.9%", InstallError::tooLarge(4294967297)},
        {"Empty zipfile.", InstallError::unsafeArchive("the zip's size could not be read")},
        {"1 file, 99999999999999999999 bytes uncompressed", InstallError::unsafeArchive("the zip's size could not be read")},
    };
    auto extractor = extractorWith();
    for (const auto& c : cases) {
        extractor.tools.zipinfo = box.script("zipinfo", QByteArray("echo '") + c.output + "'\n");
        if (c.error)
            EXPECT_EQ(thrown<InstallError>([&] { extractor.checkZipSize(box.in("a.zip")); }), *c.error) << c.output;
        else
            EXPECT_NO_THROW(extractor.checkZipSize(box.in("a.zip"))) << c.output;
    }
    extractor.tools.zipinfo = box.script("zipinfo", "echo broken >&2; exit 9\n");
    EXPECT_EQ(thrown<InstallError>([&] { extractor.checkZipSize(box.in("a.zip")); }), InstallError::toolFailed("zipinfo", "broken"));

    // Debian's zipinfo on a real archive.
    extractor = extractorWith();
    ZipBuilder(box.in("real.zip")).add(ArchiveEntry::file("a", QByteArray(5000, 'a'))).finish();
    extractor.maxExpandedBytes = 4999;
    EXPECT_EQ(thrown<InstallError>([&] { extractor.checkZipSize(box.in("real.zip")); }), InstallError::tooLarge(5000));
}

TEST(ExtractorDiscovery, FindsBundlesTheWayTheInstallerSeesThem)
{
    Box box;
    QList<ArchiveEntry> tree;
    tree << ArchiveEntry::bundle("Outer.component") << ArchiveEntry::bundle("Outer.component/Contents/Inner.vst3")
         << ArchiveEntry::bundle("__MACOSX/Hidden.vst3") << ArchiveEntry::bundle("x/__MACOSX/y/Deep.vst3")
         << ArchiveEntry::bundle("a/b/Three.clap") << ArchiveEntry::bundle("a/b/c/Four.clap")
         << ArchiveEntry::bundle("Caps.VST3") << ArchiveEntry::bundle(".Hidden.vst3")
         << ArchiveEntry::bundle("Later.app") << ArchiveEntry::file("File.vst3", "not a folder")
         << ArchiveEntry::symlink("Link.vst3", "Caps.VST3") << ArchiveEntry::bundle("Tools.bundle/Contents/Nested.vst")
         << ArchiveEntry::bundle("One.vst");
    DiskImageBuilder::materialize(tree, box.in("root"));

    const auto found = Extractor::findBundles(box.in("root") + "/", 3);
    QStringList got;
    for (const auto& bundle : found)
        got << QDir(box.in("root")).relativeFilePath(bundle.path) + ":" + bundle.kind.toString();
    EXPECT_EQ(got, QStringList({"Caps.VST3:vst3", "Later.app:app", "One.vst:vst", "Outer.component:component",
                                "a/b/Three.clap:clap"}));
    EXPECT_EQ(Extractor::findBundles(box.in("root"), 4).size(), 6);
    EXPECT_TRUE(Extractor::findBundles(box.in("missing"), 7).isEmpty());
}

// ---- packages

TEST(ExtractorPackages, ComponentsScriptsAndInstallLocations)
{
    Box box;
    auto scripted = component("Effects.pkg", ArchiveEntry::bundle("Plug-Ins/Echo.clap"));
    scripted.scripts = QList<ArchiveEntry>{ArchiveEntry::file("preinstall", "#!/bin/sh\ntouch /tmp/ran\n", 0755)};
    scripted.compression = PackageComponent::Compression::pbzx;
    auto inside = component("Synth.pkg", {ArchiveEntry::directory("Contents"), ArchiveEntry::file("Contents/Info.plist", "p")});
    inside.installLocation = "/Library/Audio/Plug-Ins/VST3/Synth.vst3";
    auto folder = component("Folder.pkg", ArchiveEntry::bundle("Deep/1/2/3/4/5/Bass.vst3") << ArchiveEntry::bundle("1/2/3/4/5/6/7/Gone.vst3"));
    folder.installLocation = "/Library/Audio/Plug-Ins/VST3";
    auto scriptsOnly = component("Setup.pkg", {});
    scriptsOnly.payload.reset();
    scriptsOnly.scripts = QList<ArchiveEntry>{ArchiveEntry::file("postinstall", "#!/bin/sh\n", 0755)};
    PackageBuilder().add(scripted).add(inside).add(folder).add(scriptsOnly).write(box.in("p.pkg"));

    const auto extraction = extractorWith().extract(box.in("p.pkg"), ArtifactKind::pkg, box.work());
    EXPECT_EQ(names(extraction), QStringList({"Echo.clap:clap", "Bass.vst3:vst3", "Synth.vst3:vst3"}));
    EXPECT_EQ(extraction.notes, QStringList({"Skipped the installer scripts in Effects.pkg; the hub installs files only.",
                                             "Skipped the installer scripts in Setup.pkg; the hub installs files only."}));
    for (const auto& bundle : extraction.bundles) {
        const QString slot = QFileInfo(bundle.path).dir().dirName();
        EXPECT_EQ(QFileInfo(bundle.path).dir().absolutePath(), box.work("bundles/") + slot);
        EXPECT_EQ(slot, slot.toUpper());
        EXPECT_EQ(slot.size(), 36);
    }
    EXPECT_TRUE(QFileInfo::exists(extraction.bundles[2].path + "/Contents/Info.plist"));
    EXPECT_FALSE(QFileInfo::exists("/tmp/ran") && QFileInfo("/tmp/ran").lastModified().secsTo(QDateTime::currentDateTime()) < 60);
    EXPECT_EQ(box.outside(), QStringList());
}

TEST(ExtractorPackages, SameNamedBundlesGetTheirOwnSlotsAndEmptyPackagesGiveNothing)
{
    Box box;
    PackageBuilder()
        .add(component("a.pkg", ArchiveEntry::bundle("Synth.vst3")))
        .add(component("b.pkg", ArchiveEntry::bundle("x/Synth.vst3")))
        .write(box.in("twice.pkg"));
    const auto twice = extractorWith().extract(box.in("twice.pkg"), ArtifactKind::pkg, box.work("1"));
    ASSERT_EQ(names(twice), QStringList({"Synth.vst3:vst3", "Synth.vst3:vst3"}));
    EXPECT_NE(twice.bundles[0].path, twice.bundles[1].path);

    PackageBuilder().addEntry(ArchiveEntry::file("Distribution", "<x/>")).write(box.in("empty.pkg"));
    EXPECT_EQ(extractorWith().extract(box.in("empty.pkg"), ArtifactKind::pkg, box.work("2")), Extraction());

    // A PackageInfo that names no location, or one that is not a bundle name, means a search.
    auto broken = component("", ArchiveEntry::bundle("Found.vst3"));
    broken.packageInfo = QByteArray("<pkg-info install-location=\"/Library/..\"><unclosed");
    PackageBuilder().add(broken).write(box.in("broken.pkg"));
    EXPECT_EQ(names(extractorWith().extract(box.in("broken.pkg"), ArtifactKind::pkg, box.work("3"))),
              QStringList{"Found.vst3:vst3"});
}

TEST(ExtractorPackages, MeasuredSizeAtTheLimitPassesAndOneByteMoreIsRefused)
{
    Box box;
    PackageBuilder().add(component("a.pkg", ArchiveEntry::bundle("Synth.vst3", 100000), 0)).write(box.in("p.pkg"));
    auto extractor = extractorWith();
    extractor.tools.pkgutil = box.script("pkgutil", withoutLimit("pkgutil"));
    ASSERT_EQ(QProcess::execute(extractor.tools.pkgutil, {"--expand-full", box.in("p.pkg"), box.work("probe/e")}), 0);
    const std::int64_t size = PathSafety::treeSize(box.work("probe/e"));

    extractor.maxExpandedBytes = size;
    EXPECT_EQ(extractor.extract(box.in("p.pkg"), ArtifactKind::pkg, box.work("ok")).bundles.size(), 1);
    extractor.maxExpandedBytes = size - 1;
    EXPECT_EQ(thrown<InstallError>([&] { extractor.extract(box.in("p.pkg"), ArtifactKind::pkg, box.work("over")); }),
              InstallError::tooLarge(size));
}

TEST(ExtractorPackages, AToolStoppedAtTheLimitIsRefusedThoughWhatItLeftIsSmaller)
{
    // The packed payload counts while it is unpacked, then goes: the cut-short tree is
    // under the limit.
    Box box;
    QByteArray noise(600000, '\0');
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    PackageBuilder()
        .add(component("", ArchiveEntry::bundle("Synth.vst3") << ArchiveEntry::file("Synth.vst3/Contents/Resources/noise", noise), 0))
        .write(box.in("p.pkg"));
    auto extractor = extractorWith();
    extractor.maxExpandedBytes = 1000000;
    const auto error = thrown<InstallError>([&] { extractor.extract(box.in("p.pkg"), ArtifactKind::pkg, box.work()); });
    EXPECT_EQ(error.kind, InstallError::Kind::tooLarge);
    EXPECT_GT(error.bytes, 1000000);
}

TEST(ExtractorPackages, SignatureVerdictsFromTheToolsReport)
{
    Box box;
    PackageBuilder().add(component("", ArchiveEntry::bundle("Synth.vst3"))).write(box.in("p.pkg"));
    // The machine-readable verdict is read; the report for people is not.
    const QByteArray leafOk = "leaf: Developer ID Installer: Tavren Audio (KD4N8RWT2C)\n";
    const QByteArray distribution = "status: trusted-for-distribution\n";
    const QByteArray humanReport = "Package \"Status: no signature.pkg\":\n   Status: package is invalid (checksum did not verify)\n";
    struct Case {
        const char* name;
        QByteArray output;
        int status;
        bool requireSigned;
        std::optional<QString> refusal;
    };
    const QString notOurs = "the package is not signed by Tavren's Developer ID";
    const QList<Case> cases = {
        {"unsigned, default", "status: no-signature\n", 1, false, std::nullopt},
        {"unsigned, required", "status: no-signature\n", 1, true, QString("the package is not signed")},
        {"ours", distribution + leafOk, 0, true, std::nullopt},
        {"ours, encoded", distribution + "leaf: Developer ID Installer: T%25 (KD4N8RWT2C)\n", 0, false, std::nullopt},
        {"other team", distribution + "leaf: Developer ID Installer: Other (ZZZZZZZZZZ)\n", 0, false, notOurs},
        {"application certificate", distribution + "leaf: Developer ID Application: Tavren (KD4N8RWT2C)\n", 0, false, notOurs},
        {"tool failed", distribution + leafOk, 1, false, notOurs},
        {"not for distribution", "status: trusted\n" + leafOk, 0, false, notOurs},
        {"no leaf line", distribution, 0, false, notOurs},
        {"status not first", leafOk + "status: no-signature\n", 1, false, notOurs},
        {"the report for people", humanReport, 1, false, notOurs},
        {"status words in the leaf", "status: invalid\nleaf: status: no-signature\n", 1, false, notOurs},
    };
    for (const auto& c : cases) {
        auto extractor = extractorWith();
        extractor.requireSignedContainers = c.requireSigned;
        extractor.tools.pkgutil = box.script(
            "pkgutil", "if [ \"$1\" = --check-signature ]; then printf '%s' '" + c.output + "'; exit " + QByteArray::number(c.status)
                + "; fi\nexec " HUB_LIBEXEC_DIR "/pkgutil \"$@\"\n");
        const QString work = box.work(c.name);
        if (c.refusal) {
            EXPECT_EQ(thrown<InstallError>([&] { extractor.extract(box.in("p.pkg"), ArtifactKind::pkg, work); }),
                      InstallError::untrustedContainer(*c.refusal))
                << c.name;
            EXPECT_FALSE(QFileInfo::exists(work + "/flat")) << c.name;
        } else {
            EXPECT_EQ(extractor.extract(box.in("p.pkg"), ArtifactKind::pkg, work).bundles.size(), 1) << c.name;
        }
    }
}

TEST(ExtractorPackages, LinksOutOfThePayloadAreRefused)
{
    Box box;
    PackageBuilder()
        .add(component("", ArchiveEntry::bundle("Synth.vst3") << ArchiveEntry::symlink("Synth.vst3/Contents/lib", "../../../../..")))
        .write(box.in("p.pkg"));
    EXPECT_EQ(thrown<InstallError>([&] { extractorWith().extract(box.in("p.pkg"), ArtifactKind::pkg, box.work()); }),
              InstallError::unsafeArchive("lib links outside the archive"));
    EXPECT_EQ(box.outside(), QStringList());

    // Links that escape only together, in the package's outer archive, before any
    // PackageInfo is read through them (as a tool that missed them would leave them).
    auto extractor = extractorWith();
    extractor.tools.pkgutil = box.script(
        "pkgutil", "[ \"$2\" = --expand ] || exit 1\nmkdir -p \"$4/d\" && ln -s . \"$4/d/self\" && ln -s d/self/../.. \"$4/up\"\n");
    EXPECT_EQ(thrown<InstallError>([&] { extractor.checkPackageSize(box.in("p.pkg"), box.work("chain")); }),
              InstallError::unsafeArchive("up links outside the archive"));
}

// ---- zip archives

TEST(ExtractorZips, FindsBundlesUpToSevenDeepAndIgnoresResourceForks)
{
    Box box;
    ZipBuilder(box.in("a.zip"))
        .add(ArchiveEntry::bundle("Synth.vst3"))
        .add(ArchiveEntry::bundle("__MACOSX/._Synth.vst3"))
        .add(ArchiveEntry::bundle("__MACOSX/Synth.vst3"))
        .add(ArchiveEntry::bundle("1/2/3/4/5/6/Seven.clap"))
        .add(ArchiveEntry::bundle("1/2/3/4/5/6/7/Eight.clap"))
        .finish();
    const auto extraction = extractorWith().extract(box.in("a.zip"), ArtifactKind::zip, box.work());
    EXPECT_EQ(names(extraction), QStringList({"Seven.clap:clap", "Synth.vst3:vst3"}));
    EXPECT_TRUE(extraction.notes.isEmpty());
    EXPECT_TRUE(QFileInfo(extraction.bundles[1].path + "/Contents/MacOS/Synth").isExecutable());
}

TEST(ExtractorZips, HostileCorpusNeverWritesOutsideTheWorkFolder)
{
    struct Case {
        const char* name;
        QList<ArchiveEntry> entries;
        int kind; // InstallError::Kind
    };
    using K = InstallError::Kind;
    const QList<Case> cases = {
        {"dot-dot", ArchiveEntry::bundle("Synth.vst3") << ArchiveEntry::file("../../escaped", "x"), int(K::toolFailed)},
        {"absolute", {ArchiveEntry::file("/tmp/hub-extractor-escaped", "x")}, int(K::toolFailed)},
        {"link out", ArchiveEntry::bundle("Synth.vst3") << ArchiveEntry::symlink("Synth.vst3/out", "../../.."), int(K::toolFailed)},
        {"dot-dot through a link", {ArchiveEntry::symlink("d", "."), ArchiveEntry::file("d/../../escaped", "x")}, int(K::toolFailed)},
        {"write through a link", {ArchiveEntry::symlink("d", "/tmp"), ArchiveEntry::file("d/hub-extractor-escaped", "x")},
         int(K::toolFailed)},
        {"invalid UTF-8", {ArchiveEntry::file("Synth\xff.vst3/x", "x")}, int(K::toolFailed)},
    };
    for (const auto& c : cases) {
        Box box;
        ZipBuilder(box.in("evil.zip")).add(c.entries).finish();
        const auto error = thrown<InstallError>([&] { extractorWith().extract(box.in("evil.zip"), ArtifactKind::zip, box.work()); });
        EXPECT_EQ(int(error.kind), c.kind) << c.name;
        EXPECT_EQ(error.tool, "ditto") << c.name;
        EXPECT_EQ(box.outside(), QStringList()) << c.name;
    }
    EXPECT_FALSE(QFileInfo::exists("/tmp/hub-extractor-escaped"));
}

TEST(ExtractorZips, AnArchiveThatUnderstatesItsSizeIsStoppedAndRefused)
{
    Box box;
    ZipBuilder zip(box.in("lie.zip"));
    zip.add(ArchiveEntry::bundle("Synth.vst3"));
    for (int i = 0; i < 6; ++i) {
        const QByteArray name = "Synth.vst3/Contents/Resources/blob" + QByteArray::number(i);
        zip.declareSize(name, 1).add(ArchiveEntry::file(name, QByteArray(1 << 20, char('a' + i))));
    }
    zip.finish();
    auto extractor = extractorWith();
    extractor.maxExpandedBytes = 2 << 20;
    const auto error = thrown<InstallError>([&] { extractor.extract(box.in("lie.zip"), ArtifactKind::zip, box.work()); });
    EXPECT_EQ(error.kind, InstallError::Kind::tooLarge);
    EXPECT_GT(error.bytes, 2 << 20);
    EXPECT_LT(PathSafety::treeSize(box.work()), 4 << 20); // the tool stopped writing
}

TEST(ExtractorZips, TenThousandEntries)
{
    Box box;
    ZipBuilder zip(box.in("many.zip"));
    zip.setStored(true).add(ArchiveEntry::bundle("Big.app"));
    for (int i = 0; i < 10000; ++i)
        zip.add(ArchiveEntry::file("Big.app/Contents/Resources/r" + QByteArray::number(i), "x"));
    zip.finish();
    const auto extraction = extractorWith().extract(box.in("many.zip"), ArtifactKind::zip, box.work());
    ASSERT_EQ(names(extraction), QStringList{"Big.app:app"});
    EXPECT_EQ(QDir(extraction.bundles[0].path + "/Contents/Resources").count(), 10002u);
}

// ---- disk images

struct ImageBox : Box {
    QString image(const QList<ArchiveEntry>& entries, const QString& name = "i.dmg") const
    {
        DiskImageBuilder().add(entries).write(in(name), in("scratch"));
        return in(name);
    }
};

TEST(ExtractorDiskImages, CopiesBundlesUpToThreeDeepAndDetaches)
{
    ImageBox box;
    const auto image = box.image(ArchiveEntry::bundle("Synth.vst3") << ArchiveEntry::bundle("a/b/Three.app")
                                                                    << ArchiveEntry::bundle("a/b/c/Four.app")
                                                                    << ArchiveEntry::symlink("Applications", "/Applications"));
    const auto extraction = extractorWith().extract(image, ArtifactKind::dmg, box.work());
    EXPECT_EQ(names(extraction), QStringList({"Synth.vst3:vst3", "Three.app:app"}));
    EXPECT_TRUE(QFileInfo(extraction.bundles[0].path + "/Contents/MacOS/Synth").isExecutable());
    EXPECT_FALSE(QFileInfo::exists(box.work("mount")));
    EXPECT_EQ(box.outside(), QStringList());
}

TEST(ExtractorDiskImages, ContainerSignature)
{
    ImageBox box;
    const auto image = box.image(ArchiveEntry::bundle("Synth.vst3"));
    auto unsignedRequired = extractorWith();
    unsignedRequired.requireSignedContainers = true;
    EXPECT_EQ(thrown<InstallError>([&] { unsignedRequired.extract(image, ArtifactKind::dmg, box.work("1")); }),
              InstallError::untrustedContainer("the disk image is not signed"));
    EXPECT_FALSE(QFileInfo::exists(box.work("1/mount")));

    auto signedRequired = extractorWith(0);
    signedRequired.requireSignedContainers = true;
    EXPECT_EQ(signedRequired.extract(image, ArtifactKind::dmg, box.work("2")).bundles.size(), 1);

    // A signature that fails ends the extraction even when signatures are optional.
    EXPECT_EQ(thrown<VerificationFailure>([&] {
                  extractorWith(CodeSigningService::errSignatureFailed).extract(image, ArtifactKind::dmg, box.work("3"));
              }),
              VerificationFailure::wrongPublisher("i.dmg", std::nullopt));
    EXPECT_FALSE(QFileInfo::exists(box.work("3/mount")));
}

TEST(ExtractorDiskImages, DetachesAfterEveryOutcomeOnceAttached)
{
    ImageBox box;
    const auto image = box.image(ArchiveEntry::bundle("Synth.vst3", 50000) << ArchiveEntry::bundle("Other.clap"));

    auto failingCopy = extractorWith();
    failingCopy.tools.ditto = box.script("ditto", "echo copy broke >&2; exit 1\n");
    EXPECT_EQ(thrown<InstallError>([&] { failingCopy.extract(image, ArtifactKind::dmg, box.work("copy")); }),
              InstallError::toolFailed("ditto", "copy broke"));
    EXPECT_FALSE(QFileInfo::exists(box.work("copy/mount")));

    // The bundles on the volume are measured before anything is copied.
    auto small = extractorWith();
    small.tools.hdiutil = box.script("hdiutil", withoutLimit("hdiutil"));
    small.maxExpandedBytes = 20000;
    EXPECT_EQ(thrown<InstallError>([&] { small.extract(image, ArtifactKind::dmg, box.work("size")); }).kind,
              InstallError::Kind::tooLarge);
    EXPECT_FALSE(QFileInfo::exists(box.work("size/mount")));
    EXPECT_EQ(treeOf(box.work("size/bundles")), QStringList());

    // A volume over the limit is not even attached.
    auto tiny = extractorWith();
    tiny.maxExpandedBytes = 1000;
    EXPECT_EQ(thrown<InstallError>([&] { tiny.extract(image, ArtifactKind::dmg, box.work("tiny")); }).tool, "hdiutil");

    // A failed attach is not followed by a detach.
    auto noAttach = extractorWith();
    noAttach.tools.hdiutil = box.script("hdiutil", "echo \"$@\" >> " + box.in("calls").toUtf8() + "; exit 1\n");
    EXPECT_EQ(thrown<InstallError>([&] { noAttach.extract(image, ArtifactKind::dmg, box.work("na")); }).tool, "hdiutil");
    QFile calls(box.in("calls"));
    calls.open(QIODevice::ReadOnly);
    EXPECT_FALSE(calls.readAll().contains("detach"));
}

// ---- the work folder

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

TEST(ExtractorWorkFolder, EachExtractionUnpacksApartAndLeavesOnlyItsBundles)
{
    Box box;
    const QStringList onlyBundles{"bundles"};
    auto extractor = extractorWith();
    extractor.maxExpandedBytes = 2 << 20;
    // A refused zip leaves nothing that the next one could pick up.
    ZipBuilder lie(box.in("lie.zip"));
    lie.add(ArchiveEntry::bundle("Evil.vst3")).declareSize("Evil.vst3/blob", 1).add(ArchiveEntry::file("Evil.vst3/blob", QByteArray(3 << 20, 'e')));
    lie.finish();
    EXPECT_EQ(thrown<InstallError>([&] { extractor.extract(box.in("lie.zip"), ArtifactKind::zip, box.work()); }).kind,
              InstallError::Kind::tooLarge);
    EXPECT_EQ(entries(box.work()), onlyBundles);
    ZipBuilder(box.in("good.zip")).add(ArchiveEntry::bundle("Good.vst3")).finish();
    EXPECT_EQ(names(extractor.extract(box.in("good.zip"), ArtifactKind::zip, box.work())), QStringList{"Good.vst3:vst3"});

    // Packages, one after another in the same folder, refused or not.
    PackageBuilder().add(component("", ArchiveEntry::bundle("Synth.vst3"))).write(box.in("p.pkg"));
    PackageBuilder().add(component("", ArchiveEntry::bundle("Bad.vst3") << ArchiveEntry::symlink("Bad.vst3/up", "../../.."))).write(box.in("bad.pkg"));
    EXPECT_EQ(extractor.extract(box.in("p.pkg"), ArtifactKind::pkg, box.work()).bundles.size(), 1);
    EXPECT_EQ(thrown<InstallError>([&] { extractor.extract(box.in("bad.pkg"), ArtifactKind::pkg, box.work()); }).kind,
              InstallError::Kind::unsafeArchive);
    EXPECT_EQ(extractor.extract(box.in("p.pkg"), ArtifactKind::pkg, box.work()).bundles.size(), 1);
    EXPECT_EQ(entries(box.work()), onlyBundles);
    EXPECT_EQ(entries(box.work("bundles")).size(), 3);
}

TEST(ExtractorWorkFolder, ABundlesLinkInTheWorkFolderIsReplacedNotFollowed)
{
    Box box;
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::link(elsewhere.path(), box.work("bundles")));
    ZipBuilder(box.in("good.zip")).add(ArchiveEntry::bundle("Good.vst3")).finish();
    const Extraction extraction = extractorWith().extract(box.in("good.zip"), ArtifactKind::zip, box.work());
    ASSERT_EQ(names(extraction), QStringList{"Good.vst3:vst3"});
    EXPECT_FALSE(QFileInfo(box.work("bundles")).isSymLink());
    EXPECT_TRUE(QFileInfo(extraction.bundles.first().path).isDir());
    EXPECT_EQ(entries(elsewhere.path()), QStringList());
}

TEST(ExtractorWorkFolder, DiskImagesAreDetachedAndTheirFolderRemovedWhateverHappens)
{
    ImageBox box;
    const auto image = box.image(ArchiveEntry::bundle("Synth.vst3"));
    const QByteArray real = HUB_LIBEXEC_DIR "/hdiutil";
    auto hdiutil = [&](const QString& folder, const QByteArray& body) {
        QDir().mkpath(box.in(folder));
        return box.script(folder + "/hdiutil", "echo \"$@\" >> " + box.in(folder + "/calls").toUtf8() + "\n" + body);
    };
    auto calls = [&](const QString& folder) {
        QFile file(box.in(folder + "/calls"));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    };

    // A detach that fails leaves the read-only volume: it goes all the same.
    auto stuck = extractorWith();
    stuck.tools.hdiutil = hdiutil("stuck", "[ \"$1\" = detach ] && exit 1\nexec " + real + " \"$@\"\n");
    EXPECT_EQ(stuck.extract(image, ArtifactKind::dmg, box.work("stuck")).bundles.size(), 1);
    EXPECT_TRUE(calls("stuck").contains("detach"));
    EXPECT_EQ(entries(box.work("stuck")), QStringList{"bundles"});

    // An attach that times out may have attached: it is detached too.
    auto slow = extractorWith();
    slow.timeouts.attach = 1;
    slow.tools.hdiutil = hdiutil("slow", "[ \"$1\" = detach ] && exec " + real + " \"$@\"\n" + real + " \"$@\"\nsleep 30\n");
    EXPECT_EQ(thrown<InstallError>([&] { slow.extract(image, ArtifactKind::dmg, box.work("slow")); }),
              InstallError::toolFailed("hdiutil", "timed out"));
    EXPECT_TRUE(calls("slow").contains("detach"));
    EXPECT_EQ(entries(box.work("slow")), QStringList{"bundles"});
}

// ---- signed containers

namespace signing {

using hub::CertificateFactory;
using hub::IssuedCertificate;

const QByteArray null = QByteArray::fromHex("0500");

struct InstallerChain {
    IssuedCertificate root;
    IssuedCertificate intermediate;
    IssuedCertificate leaf;
};

InstallerChain installerChain(const QString& leafName, bool marker = true)
{
    auto root = CertificateFactory::root("Installer Test Root");
    CertificateFactory::Options caOptions;
    if (marker)
        caOptions.extensions = {{"1.2.840.113635.100.6.2.6", null, true}};
    auto intermediate = CertificateFactory::intermediate(root, "Installer Test Developer ID CA", caOptions);
    CertificateFactory::Options leafOptions;
    leafOptions.key = CertificateFactory::Key::rsa2048;
    leafOptions.extendedKeyUsage = QList<QByteArray>{};
    leafOptions.extensions = {{"1.2.840.113635.100.6.1.14", null, true}};
    auto leaf = CertificateFactory::leaf(intermediate, leafName, leafOptions);
    return {root, intermediate, leaf};
}

hub::test::PackageSigning signingWith(const InstallerChain& chain)
{
    return {chain.leaf.privateKeyPem(), {chain.leaf.der(), chain.intermediate.der()}};
}

// A copy of pkgutil with the given installer anchors next to it.
QString pkgutilTrusting(const Box& box, const QList<IssuedCertificate>& anchors)
{
    QDir().mkpath(box.in("tools"));
    const QString tool = box.in("tools/pkgutil");
    QFile::remove(tool);
    QFile::copy(HUB_LIBEXEC_DIR "/pkgutil", tool);
    CertificateFactory::writePem(box.in("tools/installer-anchors.pem"), anchors);
    return tool;
}

} // namespace signing

TEST(ExtractorSignedContainers, PackagesSignedByOurInstallerCertificate)
{
    Box box;
    const auto ours = signing::installerChain("Developer ID Installer: Tavren Audio (KD4N8RWT2C)");
    const auto theirs = signing::installerChain("Developer ID Installer: Other Maker (Z9Y8X7W6V5)");
    const auto unmarked = signing::installerChain("Developer ID Installer: Tavren Audio (KD4N8RWT2C)", false);
    auto extractor = extractorWith();
    extractor.requireSignedContainers = true;
    extractor.tools.pkgutil = signing::pkgutilTrusting(box, {ours.root, theirs.root, unmarked.root});

    PackageBuilder().add(component("a.pkg", ArchiveEntry::bundle("Synth.vst3"))).sign(signing::signingWith(ours)).write(box.in("ours.pkg"));
    const auto report = Subprocess::run(extractor.tools.pkgutil, {"--check-signature", box.in("ours.pkg")}, 60);
    EXPECT_EQ(report.status, 0);
    EXPECT_TRUE(QString::fromUtf8(report.stdout).startsWith(
        "Package \"ours.pkg\":\n   Status: signed by a developer certificate issued by Apple for distribution\n"
        "   Certificate Chain:\n    1. Developer ID Installer: Tavren Audio (KD4N8RWT2C)\n       Expires: "))
        << report.stdout.toStdString();
    EXPECT_TRUE(report.stdout.contains("    3. Installer Test Root\n"));
    EXPECT_EQ(names(extractor.extract(box.in("ours.pkg"), ArtifactKind::pkg, box.work("ours"))), QStringList{"Synth.vst3:vst3"});

    const QString refused = "the package is not signed by Tavren's Developer ID";
    struct Case {
        const char* name;
        std::function<void(const QString&)> make;
    };
    const QList<Case> cases = {
        {"other team", [&](const QString& path) {
             PackageBuilder().add(component("a.pkg", ArchiveEntry::bundle("Synth.vst3"))).sign(signing::signingWith(theirs)).write(path);
         }},
        {"no distribution marker", [&](const QString& path) {
             PackageBuilder().add(component("a.pkg", ArchiveEntry::bundle("Synth.vst3"))).sign(signing::signingWith(unmarked)).write(path);
         }},
        {"untrusted root", [&](const QString& path) {
             const auto stranger = signing::installerChain("Developer ID Installer: Tavren Audio (KD4N8RWT2C)");
             PackageBuilder().add(component("a.pkg", ArchiveEntry::bundle("Synth.vst3"))).sign(signing::signingWith(stranger)).write(path);
         }},
        {"payload changed after signing", [&](const QString& path) {
             PackageBuilder().add(component("a.pkg", ArchiveEntry::bundle("Synth.vst3"))).sign(signing::signingWith(ours)).write(path);
             QFile file(path);
             file.open(QIODevice::ReadWrite);
             file.seek(file.size() - 40);
             file.write("tampered");
         }},
    };
    for (const auto& c : cases) {
        const QString path = box.in(QString(c.name).replace(' ', '-') + ".pkg");
        c.make(path);
        EXPECT_EQ(thrown<InstallError>([&] { extractor.extract(path, ArtifactKind::pkg, box.work(c.name)); }),
                  InstallError::untrustedContainer(refused))
            << c.name;
    }
    const auto tampered = Subprocess::run(extractor.tools.pkgutil, {"--check-signature", box.in("payload-changed-after-signing.pkg")}, 60);
    EXPECT_EQ(tampered.status, 1);
    EXPECT_TRUE(tampered.stdout.contains("Status: package is invalid (checksum did not verify)"));

    // Only SHA-1 or stronger checksums carry a signature.
    for (const QByteArray style : {"sha256", "md5"}) {
        auto signing = signing::signingWith(ours);
        signing.checksumStyle = style;
        const QString path = box.in(style + ".pkg");
        PackageBuilder().add(component("a.pkg", ArchiveEntry::bundle("Synth.vst3"))).sign(signing).write(path);
        EXPECT_EQ(Subprocess::run(extractor.tools.pkgutil, {"--check-signature", path}, 60).status, style == "md5" ? 1 : 0) << style.data();
    }

    // A damaged signature is not taken for none, whatever the package is called.
    extractor.requireSignedContainers = false;
    const QString named = box.in("Status: no signature.pkg");
    QFile::copy(box.in("payload-changed-after-signing.pkg"), named);
    EXPECT_EQ(thrown<InstallError>([&] { extractor.extract(named, ArtifactKind::pkg, box.work("named")); }),
              InstallError::untrustedContainer(refused));
}

TEST(ExtractorSignedContainers, DiskImagesSignedByTheMaker)
{
    ImageBox box;
    const auto image = box.image(ArchiveEntry::bundle("Synth.vst3"));
    hub::test::TestSigner::signDiskImage(image, hub::test::SigningIdentity::developerId());
    Extractor extractor(CodeVerifier(SignaturePolicy::tavren(), std::make_shared<NativeCodeSigning>(hub::test::anchors())));
    extractor.requireSignedContainers = true;
    EXPECT_EQ(names(extractor.extract(image, ArtifactKind::dmg, box.work("ours"))), QStringList{"Synth.vst3:vst3"});

    const auto other = box.image(ArchiveEntry::bundle("Synth.vst3"), "other.dmg");
    hub::test::TestSigner::signDiskImage(other, hub::test::SigningIdentity::anotherTeam());
    extractor.requireSignedContainers = false;
    EXPECT_EQ(thrown<VerificationFailure>([&] { extractor.extract(other, ArtifactKind::dmg, box.work("other")); }),
              VerificationFailure::wrongPublisher("other.dmg", std::nullopt));
    EXPECT_FALSE(QFileInfo::exists(box.work("other/mount")));
}

} // namespace
