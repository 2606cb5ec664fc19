#include "kit/codesign/NativeCodeSigning.h"

#include "kit/codesign/CodeBytes.h"
#include "kit/codesign/MachOFile.h"

#include "kit/security/CodeVerifier.h"
#include "tests/testkit/BundleLayout.h"
#include "tests/testkit/EmbeddedSignature.h"
#include "tests/testkit/FileCutter.h"
#include "tests/testkit/ForkedChild.h"
#include "tests/testkit/MachOImage.h"
#include "tests/testkit/TestNotary.h"
#include "tests/testkit/TestSigner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <filesystem>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace hub;

namespace hub {
void PrintTo(const VerifiedCode& code, std::ostream* out)
{
    *out << "{" << code.path.toStdString() << ", " << code.identifier.toStdString() << ", " << code.teamID.toStdString() << ", "
         << code.version.value_or(QStringLiteral("none")).toStdString() << ", " << code.notarized << "}";
}
} // namespace hub
using hub::test::Architecture;
using hub::test::BundleLink;
using hub::test::BundleSpec;
using hub::test::Digests;
using hub::test::MachOImage;
using hub::test::readBytes;
using hub::test::writeBytes;
using hub::test::SigningIdentity;
using hub::test::TestNotary;
using hub::test::TestSigner;

namespace {

const QString ourTeam = QStringLiteral("KD4N8RWT2C");

class NativeCodeSigningTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    CodeVerifier verifier(std::function<QDateTime()> clock = {}) const
    {
        return CodeVerifier(SignaturePolicy::tavren(), std::make_shared<NativeCodeSigning>(hub::test::anchors(), std::move(clock)));
    }

    QString build(const BundleSpec& spec, const SigningIdentity& identity = SigningIdentity::developerId())
    {
        return TestSigner::build(spec, dir.path(), identity);
    }

    // The message of the refusal, or "passed".
    std::string refusal(const QString& bundle, std::function<QDateTime()> clock = {}) const
    {
        try {
            verifier(std::move(clock)).verify(QUrl::fromLocalFile(bundle));
        } catch (const VerificationFailure& failure) {
            return failure.message().toStdString();
        }
        return "passed";
    }

    // The status of a check with the given flags, straight from the service.
    static int32_t status(const QString& path, uint32_t flags)
    {
        const NativeCodeSigning service(hub::test::anchors());
        const auto code = service.createStaticCode(path);
        return code ? service.checkValidity(*code, flags, nullptr).status : 1;
    }

    static std::string invalid(const QString& name, const QString& detail)
    {
        return VerificationFailure::invalidSignature(name, detail).message().toStdString();
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(NativeCodeSigningTest, ValidPlugInAndApp)
{
    const QString plugIn = build(BundleSpec::plugIn(QStringLiteral("Delay")));
    EXPECT_EQ(verifier().verify(QUrl::fromLocalFile(plugIn)),
              (VerifiedCode{plugIn, QStringLiteral("com.tavren.delay"), ourTeam, QStringLiteral("120"), false}));

    BundleSpec appSpec = BundleSpec::app(QStringLiteral("Studio"));
    appSpec.identifier = QStringLiteral("com.tavren.studio");
    const QString app = build(appSpec);
    const VerifiedCode code = verifier().verify(QUrl::fromLocalFile(app));
    EXPECT_EQ(code, (VerifiedCode{app, QStringLiteral("com.tavren.studio"), ourTeam, QStringLiteral("120"), false}));
    // Without a stapled ticket and notary keys nothing is notarized, so the policy's demand for apps is not met.
    EXPECT_FALSE(verifier().isNotarized(QUrl::fromLocalFile(app)));
    EXPECT_TRUE(SignaturePolicy::tavren().requireNotarizedApps);
    EXPECT_EQ(VerificationFailure::notNotarized(QStringLiteral("Studio.app")).message(),
              QStringLiteral("Studio.app is signed by Tavren but has not been notarized by Apple. Install blocked."));
}

TEST_F(NativeCodeSigningTest, SignatureShapesThatPass)
{
    struct Case {
        const char* name;
        BundleSpec spec;
    };
    BundleSpec thin = BundleSpec::plugIn(QStringLiteral("Thin"), BundleSpec::Kind::component);
    thin.architectures = {Architecture::arm64};
    BundleSpec both = BundleSpec::plugIn(QStringLiteral("Both"), BundleSpec::Kind::clap);
    both.signature.digests = Digests::sha1AndSha256;
    BundleSpec old = BundleSpec::plugIn(QStringLiteral("Old"), BundleSpec::Kind::vst);
    old.signature.digests = Digests::sha1;
    BundleSpec entitled = BundleSpec::plugIn(QStringLiteral("Entitled"));
    entitled.signature.entitlements = QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                                                 "<key>com.apple.security.cs.disable-library-validation</key><true/></dict></plist>");
    BundleSpec nested = BundleSpec::app(QStringLiteral("Host"));
    nested.nested.push_back(BundleSpec::framework(QStringLiteral("Engine")));
    BundleSpec localized = BundleSpec::plugIn(QStringLiteral("Localized"));
    localized.resources.insert(QStringLiteral("en.lproj/Strings.txt"), "hello");
    localized.links.append(BundleLink{QStringLiteral("Resources/Alias.txt"), QStringLiteral("Info.txt")});
    BundleSpec large = BundleSpec::plugIn(QStringLiteral("Large"));
    large.resources.insert(QStringLiteral("Samples.bin"), QByteArray((3 << 20) + 5, 's'));
    large.resources.insert(QStringLiteral("Empty.bin"), QByteArray());
    const Case cases[] = {{"thin", thin}, {"SHA-1 and SHA-256", both}, {"SHA-1 only", old}, {"entitlements", entitled},
                          {"nested framework", nested}, {"localized and linked", localized}, {"large and empty resources", large}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(refusal(build(c.spec)), "passed");
    }

    // An optional localized resource may go missing.
    const QString bundle = build(localized);
    QFile::remove(bundle + QStringLiteral("/Contents/Resources/en.lproj/Strings.txt"));
    EXPECT_EQ(refusal(bundle), "passed");
}

TEST_F(NativeCodeSigningTest, TamperedBundles)
{
    const QString x = QStringLiteral("Foo.vst3");
    struct Case {
        const char* name;
        std::function<void(BundleSpec&)> shape;
        std::function<void(const QString&)> tamper;
        std::string message;
    };
    const Case cases[] = {
        {"edited resource", {}, [](const QString& b) { TestSigner::writeFile(b, QStringLiteral("Resources/Info.txt"), "edited\n"); },
         invalid(x, QStringLiteral("a sealed resource is missing or invalid: Resources/Info.txt was modified"))},
        {"last byte of a large resource",
         [](BundleSpec& s) { s.resources.insert(QStringLiteral("Samples.bin"), QByteArray((3 << 20) + 5, 's')); },
         [](const QString& b) { TestSigner::writeFile(b, QStringLiteral("Resources/Samples.bin"), QByteArray((3 << 20) + 4, 's') + 't'); },
         invalid(x, QStringLiteral("a sealed resource is missing or invalid: Resources/Samples.bin was modified"))},
        {"removed resource", {}, [](const QString& b) { QFile::remove(b + QStringLiteral("/Contents/Resources/Info.txt")); },
         invalid(x, QStringLiteral("a sealed resource is missing or invalid: Resources/Info.txt is missing"))},
        {"extra file", {}, [](const QString& b) { TestSigner::writeFile(b, QStringLiteral("Resources/Extra.txt"), "extra"); },
         invalid(x, QStringLiteral("a sealed resource is missing or invalid: Resources/Extra.txt was added and is not sealed"))},
        {"file beside Contents", {}, [](const QString& b) { QFile f(b + QStringLiteral("/README")); (void)f.open(QIODevice::WriteOnly); },
         invalid(x, QStringLiteral("unsealed contents present in the bundle root: README"))},
        {"edited Info.plist", {}, [](const QString& b) {
             QFile f(b + QStringLiteral("/Contents/Info.plist"));
             ASSERT_TRUE(f.open(QIODevice::Append));
             f.write("\n");
         },
         invalid(x, QStringLiteral("Info.plist has been modified"))},
        {"flipped code byte", {}, [](const QString& b) { TestSigner::flipCodeByte(b, Architecture::x86_64); },
         invalid(x, QStringLiteral("code has been modified: page 0 of the x86_64 code of Foo does not match its hash"))},
        {"one bad slice", [](BundleSpec& s) { s.signature.badSlice = Architecture::arm64; }, {},
         invalid(x, QStringLiteral("code has been modified: page 0 of the arm64 code of Foo does not match its hash"))},
        {"link out of the bundle",
         [](BundleSpec& s) { s.links.append(BundleLink{QStringLiteral("Resources/Escape"), QStringLiteral("../../../../../etc/hosts")}); }, {},
         invalid(x, QStringLiteral("the link Resources/Escape points outside the bundle"))},
        {"omitted link out of the bundle", {},
         [](const QString& b) {
             std::filesystem::create_symlink("/etc", QFile::encodeName(b + QStringLiteral("/Contents/Resources/.DS_Store")).toStdString());
         },
         invalid(x, QStringLiteral("the link Resources/.DS_Store points outside the bundle"))},
        {"absolute link", [](BundleSpec& s) { s.links.append(BundleLink{QStringLiteral("Resources/Hosts"), QStringLiteral("/etc/hosts")}); },
         {}, invalid(x, QStringLiteral("the link Resources/Hosts points outside the bundle"))},
        {"nested code changed",
         [](BundleSpec& s) { s.nested.push_back(BundleSpec::framework(QStringLiteral("Engine"))); },
         [](const QString& b) {
             TestSigner::resignNestedChanged(b, QStringLiteral("Frameworks/Engine.framework"), SigningIdentity::developerId());
         },
         invalid(x, QStringLiteral("nested code Frameworks/Engine.framework does not match its seal"))},
        {"nested code edited",
         [](BundleSpec& s) { s.nested.push_back(BundleSpec::framework(QStringLiteral("Engine"))); },
         [](const QString& b) {
             TestSigner::writeFile(b, QStringLiteral("Frameworks/Engine.framework/Versions/A/Resources/Info.txt"), "edited");
         },
         invalid(x, QStringLiteral("nested code Frameworks/Engine.framework: a sealed resource is missing or invalid: "
                                   "Resources/Info.txt was modified"))},
        {"stripped signature", {}, [](const QString& b) { TestSigner::stripSignature(b); },
         "Foo.vst3 is not code signed. Install blocked."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir caseDir;
        BundleSpec spec = BundleSpec::plugIn();
        if (c.shape)
            c.shape(spec);
        const QString bundle = TestSigner::build(spec, caseDir.path(), SigningIdentity::developerId());
        if (c.tamper)
            c.tamper(bundle);
        EXPECT_EQ(refusal(bundle), c.message);
    }
}

TEST_F(NativeCodeSigningTest, DamagedExecutablesFailCleanly)
{
    // A signed thin executable, then copies cut short or with one byte flipped in the code, the load
    // commands, the superblob's index or the code directory: each must be refused, none may crash.
    const QByteArray good = TestSigner::signMachO(TestSigner::machO({Architecture::arm64}, QStringLiteral("fuzz"), 9000),
                                                  QStringLiteral("com.tavren.fuzz"), SigningIdentity::developerId());
    const auto slices = MachOFile::slices(
        CodeBytes(reinterpret_cast<const unsigned char*>(good.constData()), size_t(good.size()), CodeSigningService::errBadObjectFormat));
    ASSERT_TRUE(slices.first().signatureOffset);
    const qsizetype signature = qsizetype(*slices.first().signatureOffset);
    const QByteArray directory = TestSigner::codeDirectories(good).first();
    const qsizetype directoryAt = good.indexOf(directory, signature);
    ASSERT_GT(directoryAt, signature);

    const NativeCodeSigning service(hub::test::anchors());
    const QString path = dir.filePath(QStringLiteral("fuzz"));
    auto status = [&](const QByteArray& bytes) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            return int32_t(1);
        file.close();
        const auto code = service.createStaticCode(path);
        return code ? service.checkValidity(*code, CodeVerifier::bundleFlags, nullptr).status : int32_t(1);
    };
    ASSERT_EQ(status(good), 0);

    QList<qsizetype> cuts{0, 3, 4, 7, 8, 31, 32, 100, signature - 1, signature, signature + 4, signature + 12, directoryAt,
                          directoryAt + 40, directoryAt + directory.size() - 1};
    for (const qsizetype cut : cuts) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        EXPECT_NE(status(good.left(cut)), 0);
    }
    QList<qsizetype> flips;
    for (qsizetype at = 0; at < signature; at += 97)
        flips << at;
    for (qsizetype at = signature + 8; at < signature + 20; ++at) // count and first index entry
        flips << at;
    for (qsizetype at = directoryAt; at < directoryAt + directory.size(); at += 3)
        flips << at;
    for (const qsizetype at : flips) {
        SCOPED_TRACE("flip at " + std::to_string(at));
        QByteArray damaged = good;
        damaged[at] = char(damaged[at] ^ 0x41);
        EXPECT_NE(status(damaged), 0);
    }
}

// Another process cutting the executable short and writing it back while checked: each check passes or refuses.
TEST_F(NativeCodeSigningTest, AnExecutableCutShortWhileCheckedPassesOrIsRefused)
{
    BundleSpec spec = BundleSpec::plugIn();
    spec.codeSize = 1 << 20;
    const QString bundle = build(spec);
    const QString executable = hub::test::BundleLayout::of(bundle).executable;
    EXPECT_EQ(hub::test::readWhileCut(executable, readBytes(executable), 200, [&] { refusal(bundle); }), 0);
    EXPECT_EQ(refusal(bundle), "passed");
}

// Another process swaps something in for a part of the bundle while it is checked, and back: a FIFO is never waited
// on, nothing is read through a link, and a check that passes names the bundle's own code, never what was swapped in.
TEST_F(NativeCodeSigningTest, WhatIsSwappedInWhileCheckedIsRefusedNeverWaitedOnNorReadNorNamed)
{
    BundleSpec spec = BundleSpec::plugIn();
    for (int i = 0; i < 40; ++i)
        spec.resources.insert(QStringLiteral("Sound %1.txt").arg(i), QByteArray(4096, char('a' + i % 26)));
    const QString bundle = build(spec);
    const auto layout = hub::test::BundleLayout::of(bundle);
    const QByteArray other = QFile::encodeName(hub::test::BundleLayout::of(build(BundleSpec::plugIn(QStringLiteral("Other")))).executable);
    const QByteArray copy = QFile::encodeName(dir.filePath(QStringLiteral("copy")));
    writeBytes(QFile::decodeName(copy), readBytes(layout.executable));
    const QByteArray swapIn = QFile::encodeName(dir.filePath(QStringLiteral("swap.in"))), back = swapIn + ".back";
    const struct {
        const char* name;
        QStringList targets;
        std::function<int()> make; // what is swapped in, at swapIn
    } cases[] = {
        {"a FIFO", {layout.executable, layout.infoPlist, layout.root + QStringLiteral("/Resources/Sound 39.txt")},
         [&] { return ::mkfifo(swapIn, 0600); }},
        {"a link to a signed copy", {layout.executable}, [&] { return ::symlink(copy, swapIn); }},
        {"another signed executable", {layout.executable}, [&] { return ::link(other, swapIn); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QList<std::pair<QByteArray, QByteArray>> targets; // each with a link kept to its file
        for (const QString& target : c.targets) {
            targets.append({QFile::encodeName(target), QFile::encodeName(dir.filePath(QFileInfo(target).fileName() + u'~'))});
            ASSERT_EQ(::link(targets.back().first, targets.back().second), 0);
        }
        const int opens = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC); // of the copy, only ever through the link
        ASSERT_GE(::inotify_add_watch(opens, copy, IN_OPEN), 0);
        std::jthread swapper([&](std::stop_token stop) {
            for (int round = 0; !stop.stop_requested(); ++round) {
                const auto& [target, saved] = targets[round % targets.size()];
                if (c.make() != 0 || ::rename(swapIn, target) != 0 || ::link(saved, back) != 0 || ::rename(back, target) != 0)
                    return;
            }
        });
        const auto namesItsOwn = [&] {
            ::alarm(20);
            for (int i = 0; i < 300; ++i) {
                try {
                    if (verifier().verify(QUrl::fromLocalFile(bundle)).identifier != spec.identifier)
                        return 2;
                } catch (const VerificationFailure&) {
                }
            }
            return 0;
        };
        EXPECT_EQ(hub::test::runInChild(namesItsOwn), 0);
        swapper = std::jthread(); // stopped and joined
        char events[4096];
        EXPECT_LE(::read(opens, events, sizeof events), 0);
        ::close(opens);
        for (const auto& [target, saved] : targets)
            ::unlink(saved);
        EXPECT_EQ(refusal(bundle), "passed");
    }
}

TEST_F(NativeCodeSigningTest, FrameworkRootLinksStayInTheCurrentVersion)
{
    const QString framework = build(BundleSpec::framework(QStringLiteral("Engine")));
    EXPECT_EQ(refusal(framework), "passed");
    std::filesystem::create_symlink("Versions/Current/../../../../etc",
                                    QFile::encodeName(framework + QStringLiteral("/Escape")).toStdString());
    EXPECT_EQ(refusal(framework),
              invalid(QStringLiteral("Engine.framework"), QStringLiteral("unsealed contents present in the framework root: Escape")));
}

TEST_F(NativeCodeSigningTest, NestedFatCodeIsSignedAlikeInEveryArchitecture)
{
    // The host seals the cdhash of the nested framework's first slice; a second slice swapped for
    // other code, ad hoc or by another team, must not ride along.
    struct Case {
        const char* name;
        SigningIdentity identity;
    };
    const Case cases[] = {{"ad hoc", SigningIdentity::adHoc()}, {"another team", SigningIdentity::anotherTeam()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir caseDir;
        BundleSpec spec = BundleSpec::app(QStringLiteral("Host"));
        spec.nested.push_back(BundleSpec::framework(QStringLiteral("Engine")));
        const QString bundle = TestSigner::build(spec, caseDir.path(), SigningIdentity::developerId());
        const QString version = bundle + QStringLiteral("/Contents/Frameworks/Engine.framework/Versions/A");
        auto contents = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QFile executable(version + QStringLiteral("/Engine"));
        ASSERT_TRUE(executable.open(QIODevice::ReadOnly));
        const QByteArray original = executable.readAll();
        executable.close();
        const QByteArray other = TestSigner::signMachO(
            TestSigner::machO({Architecture::arm64}, QStringLiteral("other"), 6000, false), QStringLiteral("com.tavren.engine"),
            c.identity, {}, contents(version + QStringLiteral("/Resources/Info.plist")),
            contents(version + QStringLiteral("/_CodeSignature/CodeResources")));
        QList<QByteArray> slices = MachOImage::slices(original);
        ASSERT_EQ(slices.size(), 2);
        slices[1] = MachOImage::slices(other).first();
        ASSERT_TRUE(executable.open(QIODevice::WriteOnly | QIODevice::Truncate));
        executable.write(MachOImage::replaceSlices(original, slices));
        executable.close();
        EXPECT_EQ(refusal(bundle), invalid(QStringLiteral("Host.app"),
                                           QStringLiteral("nested code Frameworks/Engine.framework: the architectures of Engine.framework "
                                                          "are signed differently")));
    }
}

TEST_F(NativeCodeSigningTest, Signers)
{
    const QString x = QStringLiteral("Foo.vst3");
    struct Case {
        const char* name;
        SigningIdentity identity;
        std::string message;
    };
    const Case cases[] = {
        {"ad-hoc", SigningIdentity::adHoc(), "Foo.vst3 is ad-hoc signed, without a Tavren Developer ID. Install blocked."},
        {"another team", SigningIdentity::anotherTeam(),
         "Foo.vst3 is signed by team Z9Y8X7W6V5, which is not Tavren. Install blocked."},
        {"installer leaf", SigningIdentity::notApplicationLeaf(),
         "Foo.vst3 is signed by team KD4N8RWT2C, which is not Tavren. Install blocked."},
        {"intermediate without marker", SigningIdentity::intermediateWithoutMarker(),
         "Foo.vst3 is signed by team KD4N8RWT2C, which is not Tavren. Install blocked."},
        {"untrusted root", SigningIdentity::untrustedRoot(),
         invalid(x, QStringLiteral("the signing certificate is not trusted: self-signed certificate in certificate chain"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir caseDir;
        EXPECT_EQ(refusal(TestSigner::build(BundleSpec::plugIn(), caseDir.path(), c.identity)), c.message);
    }

    // Judged now (no timestamp): a year on, the test certificates have expired.
    const QString bundle = build(BundleSpec::plugIn(QStringLiteral("Later")));
    EXPECT_EQ(refusal(bundle, [] { return QDateTime::currentDateTimeUtc().addYears(1); }),
              invalid(QStringLiteral("Later.vst3"), QStringLiteral("the signing certificate is not trusted: certificate has expired")));
}

TEST_F(NativeCodeSigningTest, InfoPlistVersions)
{
    struct Case {
        const char* name;
        std::optional<QString> version;
        std::optional<QString> shortVersion;
        bool infoPlist;
        bool binary;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"both", QStringLiteral("120"), QStringLiteral("1.2"), true, false, QStringLiteral("120")},
        {"short only", std::nullopt, QStringLiteral("1.2"), true, false, QStringLiteral("1.2")},
        {"binary", QStringLiteral("121"), QStringLiteral("1.2.1"), true, true, QStringLiteral("121")},
        {"no Info.plist", QStringLiteral("120"), QStringLiteral("1.2"), false, false, std::nullopt},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BundleSpec spec = BundleSpec::plugIn(QStringLiteral("V%1").arg(n++));
        spec.version = c.version;
        spec.shortVersion = c.shortVersion;
        spec.infoPlist = c.infoPlist;
        spec.binaryInfoPlist = c.binary;
        const QString bundle = build(spec);
        EXPECT_EQ(CodeVerifier::bundleVersion(QUrl::fromLocalFile(bundle)), c.expected);
        EXPECT_EQ(verifier().verify(QUrl::fromLocalFile(bundle)).version, c.expected);
    }
}

TEST_F(NativeCodeSigningTest, DiskImages)
{
    const QString image = dir.filePath(QStringLiteral("Foo.dmg"));
    TestSigner::writeMinimalDiskImage(image, QByteArray(300000, 'd'));
    const QUrl url = QUrl::fromLocalFile(image);
    EXPECT_FALSE(verifier().verifyContainerSignature(url));

    TestSigner::signDiskImage(image, SigningIdentity::developerId());
    EXPECT_TRUE(verifier().verifyContainerSignature(url));

    const auto refusedAs = [&](const QString& path) -> std::string {
        try {
            verifier().verifyContainerSignature(QUrl::fromLocalFile(path));
        } catch (const VerificationFailure& failure) {
            return failure.message().toStdString();
        }
        return "accepted";
    };
    const QString other = dir.filePath(QStringLiteral("Other.dmg"));
    TestSigner::writeMinimalDiskImage(other, QByteArray(5000, 'o'));
    TestSigner::signDiskImage(other, SigningIdentity::anotherTeam());
    EXPECT_EQ(refusedAs(other), "Other.dmg is ad-hoc signed, without a Tavren Developer ID. Install blocked.");

    QFile file(image);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(1000));
    file.write("X");
    file.close();
    EXPECT_EQ(refusedAs(image), "Foo.dmg is ad-hoc signed, without a Tavren Developer ID. Install blocked.");
    EXPECT_FALSE(verifier().verifyContainerSignature(QUrl::fromLocalFile(dir.filePath(QStringLiteral("Missing.dmg")))));
}

namespace {

void symlink(const QString& target, const QString& path)
{
    std::filesystem::create_symlink(QFile::encodeName(target).toStdString(), QFile::encodeName(path).toStdString());
}

// Moves a part of the bundle out to `elsewhere` and leaves a link to it in its place.
void replaceWithLink(const QString& path, const QString& elsewhere)
{
    ASSERT_TRUE(QDir().rename(path, elsewhere));
    symlink(elsewhere, path);
}

} // namespace

TEST_F(NativeCodeSigningTest, LinkedLayoutsAreRefusedWhateverTheFlags)
{
    struct Case {
        const char* name;
        BundleSpec spec;
        QString part; // relative to the bundle, moved out and linked; empty: the bundle itself
    };
    const Case cases[] = {
        {"the bundle", BundleSpec::plugIn(), {}},
        {"Contents", BundleSpec::plugIn(), QStringLiteral("Contents")},
        {"MacOS", BundleSpec::plugIn(), QStringLiteral("Contents/MacOS")},
        {"_CodeSignature", BundleSpec::plugIn(), QStringLiteral("Contents/_CodeSignature")},
        {"Versions", BundleSpec::framework(QStringLiteral("Engine")), QStringLiteral("Versions")},
        {"the current version", BundleSpec::framework(QStringLiteral("Engine")), QStringLiteral("Versions/A")},
        {"a framework's Resources", BundleSpec::framework(QStringLiteral("Engine")), QStringLiteral("Versions/A/Resources")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir caseDir;
        const QString bundle = TestSigner::build(c.spec, caseDir.filePath(QStringLiteral("real")), SigningIdentity::developerId());
        ASSERT_EQ(status(bundle, CodeVerifier::bundleFlags), 0);
        const QString checked = caseDir.filePath(c.spec.fileName());
        if (c.part.isEmpty()) {
            symlink(bundle, checked);
        } else {
            ASSERT_TRUE(QDir().rename(bundle, checked));
            replaceWithLink(checked + u'/' + c.part, caseDir.filePath(QStringLiteral("moved")));
        }
        EXPECT_NE(status(checked, CodeVerifier::bundleFlags), 0);
        EXPECT_NE(status(checked, 0), 0);
    }
}

TEST_F(NativeCodeSigningTest, AFileWhereAFolderOnTheWayToTheExecutableStandsIsNamed)
{
    const QString bundle = build(BundleSpec::plugIn()), macOS = bundle + QStringLiteral("/Contents/MacOS");
    ASSERT_TRUE(QDir(macOS).removeRecursively());
    writeBytes(macOS, "not a folder");
    EXPECT_EQ(refusal(bundle), invalid(QFileInfo(bundle).fileName(), QStringLiteral("MacOS is not a folder")));
}

TEST_F(NativeCodeSigningTest, StrictChecksRefuseWhatTheSignatureDoesNotKnow)
{
    const QString x = QStringLiteral("Foo.vst3");
    const QString engine = QStringLiteral("Frameworks/Engine.framework");
    struct Case {
        const char* name;
        std::function<void(const QString&)> tamper;
        std::string message;
    };
    const auto copyExecutable = [](const QString& bundle, const QString& to) {
        writeBytes(hub::test::BundleLayout::of(bundle).root + u'/' + to, readBytes(hub::test::BundleLayout::of(bundle).executable));
    };
    const Case cases[] = {
        {"a Mach-O in _CodeSignature", [&](const QString& b) { copyExecutable(b, QStringLiteral("_CodeSignature/Helper")); },
         invalid(x, QStringLiteral("a sealed resource is missing or invalid: _CodeSignature/Helper is not part of the signature"))},
        {"a note in _CodeSignature", [](const QString& b) { TestSigner::writeFile(b, QStringLiteral("_CodeSignature/.note"), "x"); },
         invalid(x, QStringLiteral("a sealed resource is missing or invalid: _CodeSignature/.note is not part of the signature"))},
        {"a file in nested code's _CodeSignature",
         [&](const QString& b) { TestSigner::writeFile(b, engine + QStringLiteral("/Versions/A/_CodeSignature/Extra"), "x"); },
         invalid(x, QStringLiteral("nested code Frameworks/Engine.framework: a sealed resource is missing or invalid: "
                                   "_CodeSignature/Extra is not part of the signature"))},
        {"another version of nested code",
         [&](const QString& b) { TestSigner::writeFile(b, engine + QStringLiteral("/Versions/B/Engine"), "x"); },
         invalid(x, QStringLiteral("nested code Frameworks/Engine.framework: unsealed contents present in the framework's versions: B"))},
        {"a file beside the versions",
         [&](const QString& b) { TestSigner::writeFile(b, engine + QStringLiteral("/Versions/notes.txt"), "x"); },
         invalid(x, QStringLiteral("nested code Frameworks/Engine.framework: unsealed contents present in the framework's versions: "
                                   "notes.txt"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir caseDir;
        BundleSpec spec = BundleSpec::plugIn();
        spec.nested.push_back(BundleSpec::framework(QStringLiteral("Engine")));
        const QString bundle = TestSigner::build(spec, caseDir.path(), SigningIdentity::developerId());
        c.tamper(bundle);
        EXPECT_EQ(refusal(bundle), c.message);
    }
}

TEST_F(NativeCodeSigningTest, EveryByteOfAnExecutableIsSigned)
{
    struct Case {
        const char* name;
        QList<Architecture> architectures;
        std::function<QByteArray(const QByteArray&)> tamper;
        QString detail;
    };
    const auto inPadding = [](const QByteArray& image) {
        QByteArray changed = image;
        changed[changed.size() - 1] = 'x'; // the last byte of the room reserved for the signature
        return changed;
    };
    const Case cases[] = {
        {"bytes after a thin executable", {Architecture::arm64}, [](const QByteArray& image) { return image + "appended"; },
         QStringLiteral("the arm64 code has bytes its signature does not cover")},
        {"bytes after the last slice", {Architecture::x86_64, Architecture::arm64},
         [](const QByteArray& image) { return image + QByteArray(4096, 'a'); },
         QStringLiteral("the universal file has bytes after its last architecture")},
        {"a byte in the signature's padding", {Architecture::arm64}, inPadding,
         QStringLiteral("the arm64 code has bytes its signature does not cover")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir caseDir;
        BundleSpec spec = BundleSpec::plugIn();
        spec.architectures = c.architectures;
        const QString bundle = TestSigner::build(spec, caseDir.path(), SigningIdentity::developerId());
        const QString executable = hub::test::BundleLayout::of(bundle).executable;
        writeBytes(executable, c.tamper(readBytes(executable)));
        EXPECT_EQ(refusal(bundle), invalid(QStringLiteral("Foo.vst3"), c.detail));
    }
}

TEST_F(NativeCodeSigningTest, EveryAdHocCodeDirectoryIsCheckedAgainstTheCode)
{
    // Nested code signed ad hoc with SHA-1 and SHA-256 directories, sealed by the host under its
    // primary's cdhash. Its code is then changed and re-signed, and the original primary put back:
    // nothing vouches for that directory but the code, so it must be checked.
    BundleSpec spec = BundleSpec::app(QStringLiteral("Host"));
    BundleSpec framework = BundleSpec::framework(QStringLiteral("Engine"));
    framework.architectures = {Architecture::arm64};
    spec.nested.push_back(framework);
    const QString host = build(spec);
    const QString nested = host + QStringLiteral("/Contents/Frameworks/Engine.framework");
    hub::test::SignatureOptions both;
    both.digests = Digests::sha1AndSha256;
    TestSigner::sign(nested, SigningIdentity::adHoc(), both);
    TestSigner::sign(host, SigningIdentity::developerId());

    const hub::test::BundleLayout engine = hub::test::BundleLayout::of(nested);
    const QByteArray signature = MachOImage::signature(readBytes(engine.executable));
    const QList<QByteArray> original = hub::test::EmbeddedSignature::codeDirectoriesIn(signature);
    ASSERT_EQ(original.size(), 2);
    // Seal the primary's cdhash in the host instead of the strongest one, and sign the host over that.
    const QString resources = host + QStringLiteral("/Contents/_CodeSignature/CodeResources");
    QByteArray sealed = readBytes(resources);
    const QByteArray strongest = hub::test::EmbeddedSignature::cdhash(original.at(1)).toBase64();
    ASSERT_TRUE(sealed.contains(strongest));
    sealed.replace(strongest, hub::test::EmbeddedSignature::cdhash(original.at(0)).toBase64());
    const hub::test::BundleLayout layout = hub::test::BundleLayout::of(host);
    TestSigner::stripSignature(host);
    writeBytes(resources, sealed);
    writeBytes(layout.executable, TestSigner::signMachO(readBytes(layout.executable), spec.identifier, SigningIdentity::developerId(), {},
                                                        readBytes(layout.infoPlist), sealed));
    ASSERT_EQ(refusal(host), "passed");

    TestSigner::flipCodeByte(nested);
    TestSigner::sign(nested, SigningIdentity::adHoc(), both);
    QByteArray changed = readBytes(engine.executable);
    const QByteArray newPrimary = hub::test::EmbeddedSignature::codeDirectoriesIn(MachOImage::signature(changed)).at(0);
    ASSERT_EQ(newPrimary.size(), original.at(0).size());
    changed.replace(newPrimary, original.at(0));
    writeBytes(engine.executable, changed);
    EXPECT_THAT(refusal(host), ::testing::HasSubstr("nested code Frameworks/Engine.framework: code has been modified"));
}

// Making a code object only looks at the path, and a verification tells notarization from its check: each file
// checked is opened once. Closes are watched too, so that two opens are never merged into one event.
TEST_F(NativeCodeSigningTest, EachCheckedFileIsOpenedOnce)
{
    const auto opens = [](const QString& path, const std::function<bool()>& check) {
        const int events = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        EXPECT_GE(::inotify_add_watch(events, QFile::encodeName(path), IN_OPEN | IN_CLOSE_NOWRITE), 0);
        EXPECT_TRUE(check());
        alignas(inotify_event) char buffer[4096];
        int count = 0;
        for (ssize_t at = 0, length = ::read(events, buffer, sizeof buffer); at < length;
             at += ssize_t(sizeof(inotify_event)) + reinterpret_cast<inotify_event*>(buffer + at)->len)
            count += (reinterpret_cast<inotify_event*>(buffer + at)->mask & IN_OPEN) ? 1 : 0;
        ::close(events);
        return count;
    };
    const auto service = std::make_shared<NativeCodeSigning>(hub::test::anchors(), nullptr, QList{TestNotary::standard().publicKeyDer});
    const QString tool = dir.filePath(QStringLiteral("tool"));
    writeBytes(tool, TestSigner::signMachO(TestSigner::machO({Architecture::arm64}, QStringLiteral("tool"), 9000),
                                           QStringLiteral("com.tavren.tool"), SigningIdentity::developerId()));
    EXPECT_EQ(opens(tool, [&] { const auto code = service->createStaticCode(tool);
                                return code && service->checkValidity(*code, 0, nullptr).status == 0; }), 1);
    BundleSpec spec = BundleSpec::app(QStringLiteral("Studio"));
    spec.identifier = QStringLiteral("com.tavren.studio");
    const QString app = build(spec);
    TestSigner::stapleTicket(app);
    const CodeVerifier notarizing(SignaturePolicy::tavren(), service);
    EXPECT_EQ(opens(hub::test::BundleLayout::of(app).executable, [&] { return notarizing.verify(QUrl::fromLocalFile(app)).notarized; }), 1);
}

TEST_F(NativeCodeSigningTest, StapledTicketsNotarizeTheirCodeOnly)
{
    const auto trusting = [](QList<QByteArray> keys) {
        return CodeVerifier(SignaturePolicy::tavren(), std::make_shared<NativeCodeSigning>(hub::test::anchors(), nullptr, std::move(keys)));
    };
    const QList<QByteArray> notaryKeys{TestNotary::other().publicKeyDer, TestNotary::standard().publicKeyDer};
    struct Case {
        const char* name;
        std::function<void(const QString&)> staple;
        QList<QByteArray> keys;
        bool notarized;
    };
    const auto rewriteTicket = [](const QString& bundle, qsizetype at) {
        const QString ticket = bundle + QStringLiteral("/Contents/_NotarizationTicket");
        QByteArray bytes = readBytes(ticket);
        bytes[at] = char(bytes.at(at) ^ 0x01);
        writeBytes(ticket, bytes);
    };
    const Case cases[] = {
        {"a valid ticket", [](const QString& b) { TestSigner::stapleTicket(b); }, notaryKeys, true},
        {"no ticket", [](const QString&) {}, notaryKeys, false},
        {"no notary key configured", [](const QString& b) { TestSigner::stapleTicket(b); }, {}, false},
        {"signed by another notary", [](const QString& b) { TestSigner::stapleTicket(b, TestNotary::other()); },
         {TestNotary::standard().publicKeyDer}, false},
        {"another cdhash", [](const QString& b) { TestSigner::stapleTicket(b, TestNotary::standard(), QList{QByteArray(20, 'x'), QByteArray(20, 'y')}); },
         notaryKeys, false},
        {"one architecture left out",
         [](const QString& b) { TestSigner::stapleTicket(b, TestNotary::standard(), TestSigner::ticketCdhashes(b).mid(0, 1)); }, notaryKeys, false},
        {"a cdhash byte changed", [&](const QString& b) { TestSigner::stapleTicket(b); rewriteTicket(b, 10); }, notaryKeys, false},
        {"a signature byte changed", [&](const QString& b) { TestSigner::stapleTicket(b); rewriteTicket(b, 60); }, notaryKeys, false},
        {"code re-signed after stapling",
         [](const QString& b) {
             TestSigner::stapleTicket(b);
             TestSigner::flipCodeByte(b);
             TestSigner::sign(b, SigningIdentity::developerId());
         },
         notaryKeys, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir caseDir;
        BundleSpec spec = BundleSpec::app(QStringLiteral("Studio"));
        spec.identifier = QStringLiteral("com.tavren.studio");
        const QString app = TestSigner::build(spec, caseDir.path(), SigningIdentity::developerId());
        c.staple(app);
        const CodeVerifier verifier = trusting(c.keys);
        EXPECT_EQ(verifier.isNotarized(QUrl::fromLocalFile(app)), c.notarized);
        // The ticket is left out of the seal, so it changes nothing else.
        EXPECT_EQ(verifier.verify(QUrl::fromLocalFile(app)).notarized, c.notarized);
    }
}
