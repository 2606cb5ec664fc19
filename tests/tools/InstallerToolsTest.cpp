#include "kit/support/InstallerToolProtocol.h"
#include "tests/testkit/ArchiveEntry.h"
#include "tests/testkit/DiskImageBuilder.h"
#include "tests/testkit/FileTree.h"
#include "tests/testkit/PackageBuilder.h"
#include "tests/testkit/ZipBuilder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <lzma.h>
#include <sys/stat.h>

using hub::test::ArchiveEntry;
using hub::test::DiskImageBuilder;
using hub::test::PackageBuilder;
using hub::test::PackageComponent;
using hub::test::ZipBuilder;
using hub::test::treeOf;
using hub::InstallerToolProtocol;

namespace {

struct ToolRun {
    int status = -1;
    QString out;
    QString err;
};

ToolRun runTool(const QString& tool, const QStringList& args)
{
    QProcess process;
    process.setProcessEnvironment(QProcessEnvironment());
    process.start(QStringLiteral(HUB_LIBEXEC_DIR "/") + tool, args);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

qint64 bytesUnder(const QString& root)
{
    qint64 total = 0;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext())
        total += QFileInfo(it.next()).size();
    return total;
}

// A temporary folder with the archive in "in" and the tool's output below "work";
// nothing else may appear in it.
class Sandbox {
public:
    QString in(const QString& name) const { return dir.path() + "/in/" + name; }
    QString work(const QString& name = {}) const { return dir.path() + "/work" + (name.isEmpty() ? "" : "/" + name); }
    QStringList outside() const
    {
        QStringList found;
        for (const auto& path : treeOf(dir.path())) {
            if (!path.startsWith("in/") && path != "in" && !path.startsWith("work/") && path != "work")
                found << path;
        }
        return found;
    }
    Sandbox()
    {
        QDir().mkpath(dir.path() + "/in");
        QDir().mkpath(dir.path() + "/work");
    }

    QTemporaryDir dir;
};

QList<ArchiveEntry> synth() { return ArchiveEntry::bundle("Synth.vst3"); }

TEST(Ditto, UnzipsFilesFoldersAndLinksWithTheirModes)
{
    Sandbox box;
    ZipBuilder(box.in("a.zip"))
        .add(synth())
        .add(ArchiveEntry::symlink("Synth.vst3/Contents/Current", "MacOS"))
        .add(ArchiveEntry::file("readme.txt", "hi"))
        .finish();
    const auto run = runTool("ditto", {"-x", "-k", box.in("a.zip"), box.work("u")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QFileInfo exe(box.work("u/Synth.vst3/Contents/MacOS/Synth"));
    EXPECT_TRUE(exe.isExecutable());
    EXPECT_EQ(QFileInfo(box.work("u/Synth.vst3/Contents/Current")).symLinkTarget(), box.work("u/Synth.vst3/Contents/MacOS"));
    EXPECT_EQ(QFile(box.work("u/readme.txt")).size(), 2);
}

TEST(Ditto, RefusesHostileZipsWithoutWritingOutside)
{
    struct Case {
        const char* name;
        QList<ArchiveEntry> entries;
    };
    const QList<Case> cases = {
        {"dot-dot entry", {ArchiveEntry::file("ok.txt", "x"), ArchiveEntry::file("../escaped.txt", "x")}},
        {"nested dot-dot", {ArchiveEntry::file("a/b/../../../escaped.txt", "x")}},
        {"absolute path", {ArchiveEntry::file("/tmp/hub-ditto-escaped.txt", "x")}},
        {"link out of the tree", {ArchiveEntry::symlink("out", "../..")}},
        {"absolute link", {ArchiveEntry::symlink("etc", "/etc")}},
        {"file through a link", {ArchiveEntry::symlink("d", "."), ArchiveEntry::file("d/../../escaped.txt", "x")}},
        {"write through an outward link", {ArchiveEntry::symlink("d", "../"), ArchiveEntry::file("d/escaped.txt", "x")}},
        {"links that chain out", {ArchiveEntry::directory("a"), ArchiveEntry::symlink("a/up", ".."),
                                  ArchiveEntry::symlink("a/x", "up/..")}},
        {"links that escape together", {ArchiveEntry::directory("d"), ArchiveEntry::symlink("d/self", "."),
                                        ArchiveEntry::symlink("up", "d/self/../..")}},
        {"invalid UTF-8 name", {ArchiveEntry::file("bad\xff\xfe.txt", "x")}},
    };
    for (const auto& c : cases) {
        Sandbox box;
        ZipBuilder(box.in("evil.zip")).add(c.entries).finish();
        const auto run = runTool("ditto", {"-x", "-k", box.in("evil.zip"), box.work("u")});
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_TRUE(run.err.startsWith("ditto: refusing")) << c.name << ": " << run.err.toStdString();
        EXPECT_EQ(box.outside(), QStringList()) << c.name;
    }
    EXPECT_FALSE(QFile::exists("/tmp/hub-ditto-escaped.txt"));
}

TEST(Ditto, StopsWritingPastTheLimitEvenWhenTheArchiveUnderstatesItsSize)
{
    Sandbox box;
    ZipBuilder zip(box.in("lie.zip"));
    for (int i = 0; i < 8; ++i) {
        const QByteArray name = "big" + QByteArray::number(i) + ".bin";
        zip.declareSize(name, 10).add(ArchiveEntry::file(name, QByteArray(1 << 20, 'z')));
    }
    zip.finish();
    const auto run = runTool("ditto", {"--limit-bytes=1500000", "-x", "-k", box.in("lie.zip"), box.work("u")});
    EXPECT_EQ(run.status, InstallerToolProtocol::limitReachedStatus) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("over the limit of 1500000 bytes"));
    const qint64 written = bytesUnder(box.work("u"));
    EXPECT_GT(written, 1500000);
    EXPECT_LT(written, 4 << 20);
}

TEST(Ditto, UnzipsTenThousandEntries)
{
    Sandbox box;
    ZipBuilder zip(box.in("many.zip"));
    zip.setStored(true);
    for (int i = 0; i < 10000; ++i)
        zip.add(ArchiveEntry::file("d" + QByteArray::number(i % 50) + "/f" + QByteArray::number(i), "x"));
    zip.finish();
    const auto run = runTool("ditto", {"-x", "-k", box.in("many.zip"), box.work("u")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(treeOf(box.work("u")).size(), 10050);
}

TEST(Ditto, CopiesATreeWithLinksAndModes)
{
    Sandbox box;
    DiskImageBuilder::materialize(synth() << ArchiveEntry::symlink("Synth.vst3/Contents/Current", "MacOS"), box.in("src"));
    const auto run = runTool("ditto", {box.in("src/Synth.vst3"), box.work("copy/Synth.vst3")});
    EXPECT_NE(run.status, 0); // the parent of the destination does not exist
    QDir().mkpath(box.work("copy"));
    const auto second = runTool("ditto", {box.in("src/Synth.vst3"), box.work("copy/Synth.vst3")});
    ASSERT_EQ(second.status, 0) << second.err.toStdString();
    EXPECT_EQ(treeOf(box.work("copy/Synth.vst3")), treeOf(box.in("src/Synth.vst3")));
    EXPECT_TRUE(QFileInfo(box.work("copy/Synth.vst3/Contents/MacOS/Synth")).isExecutable());
    EXPECT_TRUE(QFileInfo(box.work("copy/Synth.vst3/Contents/Current")).isSymLink());
}

PackageComponent component(QByteArray folder, QList<ArchiveEntry> payload)
{
    PackageComponent c;
    c.folder = std::move(folder);
    c.payload = std::move(payload);
    c.installKBytes = 12;
    return c;
}

TEST(Pkgutil, ExpandsFlatAndFull)
{
    Sandbox box;
    auto second = component("Second.pkg", ArchiveEntry::bundle("Two.clap"));
    second.compression = PackageComponent::Compression::pbzx;
    second.scripts = QList<ArchiveEntry>{ArchiveEntry::file("postinstall", "#!/bin/sh\n", 0755)};
    PackageBuilder().add(component("First.pkg", synth())).add(second).write(box.in("p.pkg"));

    const auto flat = runTool("pkgutil", {"--expand", box.in("p.pkg"), box.work("flat")});
    ASSERT_EQ(flat.status, 0) << flat.err.toStdString();
    EXPECT_EQ(treeOf(box.work("flat")),
              QStringList({"Distribution", "First.pkg", "First.pkg/Bom", "First.pkg/PackageInfo", "First.pkg/Payload",
                           "Second.pkg", "Second.pkg/Bom", "Second.pkg/PackageInfo", "Second.pkg/Payload",
                           "Second.pkg/Scripts"}));
    EXPECT_TRUE(QFileInfo(box.work("flat/First.pkg/Payload")).isFile());
    EXPECT_NE(runTool("pkgutil", {"--expand", box.in("p.pkg"), box.work("flat")}).status, 0); // exists

    const auto full = runTool("pkgutil", {"--expand-full", box.in("p.pkg"), box.work("full")});
    ASSERT_EQ(full.status, 0) << full.err.toStdString();
    EXPECT_TRUE(QFileInfo(box.work("full/First.pkg/Payload/Synth.vst3/Contents/MacOS/Synth")).isExecutable());
    EXPECT_TRUE(QFileInfo(box.work("full/Second.pkg/Payload/Two.clap/Contents/Info.plist")).isFile());
    EXPECT_TRUE(QFileInfo(box.work("full/Second.pkg/Scripts/postinstall")).isFile());
    EXPECT_FALSE(treeOf(box.work("full")).join(',').contains(".packed"));
}

// A pbzx payload whose one xz chunk declares a 1.5 GiB dictionary in its block header.
QByteArray greedyPbzx()
{
    QByteArray pbzx = PackageBuilder::payload(ArchiveEntry::bundle("Synth.vst3"), PackageComponent::Compression::pbzx);
    // "pbzx", the chunk size, the chunk's two lengths, then the xz stream's 12-byte header.
    auto* block = reinterpret_cast<uint8_t*>(pbzx.data()) + 4 + 8 + 16 + 12;
    lzma_filter filters[LZMA_FILTERS_MAX + 1];
    lzma_block header{};
    header.check = LZMA_CHECK_CRC64;
    header.filters = filters;
    header.header_size = lzma_block_header_size_decode(block[0]);
    EXPECT_EQ(lzma_block_header_decode(&header, nullptr, block), LZMA_OK);
    static_cast<lzma_options_lzma*>(filters[0].options)->dict_size = 1536u << 20;
    EXPECT_EQ(lzma_block_header_encode(&header, block), LZMA_OK);
    for (int i = 0; filters[i].id != LZMA_VLI_UNKNOWN; ++i)
        free(filters[i].options);
    return pbzx;
}

TEST(Pkgutil, RefusesHostilePayloadsWithoutWritingOutside)
{
    struct Case {
        const char* name;
        QList<ArchiveEntry> payload;
    };
    const QList<Case> cases = {
        {"dot-dot entry", {ArchiveEntry::file("../../../escaped.txt", "x")}},
        {"absolute path", {ArchiveEntry::file("/tmp/hub-pkgutil-escaped.txt", "x")}},
        {"hard link out", {ArchiveEntry::file("a", "x"), ArchiveEntry::hardlink("../../../h", "a")}},
        {"absolute hard link", {ArchiveEntry::file("a", "x"), ArchiveEntry::hardlink("/tmp/hub-pkgutil-link", "a")}},
        {"file through a link", {ArchiveEntry::symlink("d", "../../.."), ArchiveEntry::file("d/escaped.txt", "x")}},
        {"invalid UTF-8 name", {ArchiveEntry::file("bad\xc3\x28.txt", "x")}},
    };
    for (const auto& c : cases) {
        Sandbox box;
        PackageBuilder().add(component("Evil.pkg", c.payload)).write(box.in("evil.pkg"));
        const auto run = runTool("pkgutil", {"--expand-full", box.in("evil.pkg"), box.work("e")});
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_TRUE(run.err.startsWith("pkgutil: ")) << c.name;
        EXPECT_EQ(box.outside(), QStringList()) << c.name;
    }
    EXPECT_FALSE(QFile::exists("/tmp/hub-pkgutil-escaped.txt"));

    // Refused by name: a file linked to itself, links in the outer archive that escape
    // together, a payload whose xz header asks for 1.5 GiB of dictionary.
    auto bare = component("", {});
    bare.payload.reset();
    const struct {
        const char* name;
        PackageBuilder package;
        const char* error;
    } refusals[] = {
        {"self link", PackageBuilder().add(component("", {ArchiveEntry::file("a", "x"), ArchiveEntry::hardlink("a", "a")})),
         "refusing a: a hard link to itself"},
        {"chain", PackageBuilder().addEntry(ArchiveEntry::directory("d")).addEntry(ArchiveEntry::symlink("d/self", "."))
                      .addEntry(ArchiveEntry::symlink("up", "d/self/../..")),
         "it links outside the destination"},
        {"greedy xz", PackageBuilder().add(bare).addEntry(ArchiveEntry::file("Payload", greedyPbzx())),
         "more memory than its decoder may use"},
    };
    for (const auto& c : refusals) {
        Sandbox box;
        c.package.write(box.in("evil.pkg"));
        const auto run = runTool("pkgutil", {"--expand-full", box.in("evil.pkg"), box.work("e")});
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_TRUE(run.err.contains(c.error)) << c.name << ": " << run.err.toStdString();
    }
}

QList<ArchiveEntry> underDot(QList<ArchiveEntry> entries)
{
    for (auto& entry : entries)
        entry.path.prepend("./");
    return entries;
}

TEST(InstallerTools, APayloadsDotEntryIsTheDestinationItself)
{
    const struct {
        const char* name;
        QList<ArchiveEntry> payload;
        const char* refusal; // empty: unpacked
    } cases[] = {
        {"dot folder", QList<ArchiveEntry>{ArchiveEntry::directory(".", 0500)} + underDot(synth()), ""},
        {"dot-slash folder", QList<ArchiveEntry>{ArchiveEntry::directory("./", 0777)} + underDot(synth()), ""},
        {"dot file", {ArchiveEntry::file(".", "x")}, "it would replace the destination"},
        {"dot link", {ArchiveEntry::symlink("./.", "..")}, "it would replace the destination"},
        {"dot hard link", {ArchiveEntry::file("a", "x"), ArchiveEntry::hardlink("./", "a")}, "it would replace the destination"},
        {"dot then dot-dot", {ArchiveEntry::directory("."), ArchiveEntry::file("./../escaped.txt", "x")}, "it leaves the destination"},
    };
    for (const auto& c : cases) {
        Sandbox box;
        PackageBuilder().add(component("D.pkg", c.payload)).write(box.in("d.pkg"));
        QList<std::pair<ToolRun, QString>> runs{
            {runTool("pkgutil", {"--expand-full", box.in("d.pkg"), box.work("p")}), box.work("p/D.pkg/Payload")}};
        // Zips have no hard links.
        if (std::none_of(c.payload.begin(), c.payload.end(), [](const ArchiveEntry& e) { return e.type == ArchiveEntry::Type::hardlink; })) {
            ZipBuilder(box.in("d.zip")).add(c.payload).finish();
            runs.append({runTool("ditto", {"-x", "-k", box.in("d.zip"), box.work("z")}), box.work("z")});
        }
        for (const auto& [run, root] : runs) {
            if (*c.refusal) {
                EXPECT_EQ(run.status, 1) << c.name;
                EXPECT_TRUE(run.err.contains(c.refusal)) << c.name << ": " << run.err.toStdString();
                continue;
            }
            ASSERT_EQ(run.status, 0) << c.name << ": " << run.err.toStdString();
            EXPECT_TRUE(QFileInfo(root + "/Synth.vst3/Contents/MacOS/Synth").isExecutable()) << c.name;
            struct stat info {};
            ASSERT_EQ(::lstat(QFile::encodeName(root).constData(), &info), 0);
            EXPECT_EQ(int(info.st_mode & 0700), 0700) << c.name << ": the destination keeps its own mode";
        }
        EXPECT_EQ(box.outside(), QStringList()) << c.name;
    }
}

TEST(InstallerTools, WhatTheyWriteIsNotWritableByGroupOrOthers)
{
    Sandbox box;
    const QList<ArchiveEntry> entries = {ArchiveEntry::directory("d", 0777), ArchiveEntry::file("d/shared", "x", 0666),
                                         ArchiveEntry::file("d/tool", "x", 0777), ArchiveEntry::file("d/plain", "x", 0644)};
    ZipBuilder(box.in("m.zip")).add(entries).finish();
    PackageBuilder().add(component("", entries)).write(box.in("m.pkg"));
    DiskImageBuilder::materialize(entries, box.in("tree"));
    for (const auto& entry : entries)
        ::chmod(QFile::encodeName(box.in("tree/") + QString::fromUtf8(entry.path)).constData(), mode_t(entry.mode));
    ASSERT_EQ(runTool("ditto", {"-x", "-k", box.in("m.zip"), box.work("zip")}).status, 0);
    ASSERT_EQ(runTool("pkgutil", {"--expand-full", box.in("m.pkg"), box.work("pkg")}).status, 0);
    ASSERT_EQ(runTool("ditto", {box.in("tree/d"), box.work("copy")}).status, 0);
    const QMap<QString, int> expected = {{"", 0755}, {"/shared", 0644}, {"/tool", 0755}, {"/plain", 0644}};
    for (const QString& folder : {box.work("zip/d"), box.work("pkg/Payload/d"), box.work("copy")}) {
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            struct stat info {};
            ASSERT_EQ(::lstat(QFile::encodeName(folder + it.key()).constData(), &info), 0) << folder.toStdString();
            EXPECT_EQ(int(info.st_mode & 07777), it.value()) << (folder + it.key()).toStdString();
        }
    }
}

TEST(Pkgutil, LeavesLinksOutForTheCallerToJudge)
{
    Sandbox box;
    PackageBuilder().add(component("L.pkg", {ArchiveEntry::symlink("lib", "/usr/lib")})).write(box.in("l.pkg"));
    ASSERT_EQ(runTool("pkgutil", {"--expand-full", box.in("l.pkg"), box.work("e")}).status, 0);
    EXPECT_EQ(QFileInfo(box.work("e/L.pkg/Payload/lib")).symLinkTarget(), "/usr/lib");
}

TEST(Pkgutil, StopsPastTheLimit)
{
    Sandbox box;
    PackageBuilder()
        .add(component("Big.pkg", {ArchiveEntry::file("a", QByteArray(3 << 20, 'a')), ArchiveEntry::file("b", QByteArray(3 << 20, 'b'))}))
        .write(box.in("big.pkg"));
    const auto run = runTool("pkgutil", {"--limit-bytes=1000000", "--expand-full", box.in("big.pkg"), box.work("e")});
    EXPECT_EQ(run.status, InstallerToolProtocol::limitReachedStatus);
    EXPECT_TRUE(run.err.contains("over the limit"));
    EXPECT_GT(bytesUnder(box.work("e")), 1000000);
    EXPECT_FALSE(QFile::exists(box.work("e/Big.pkg/Payload/b")));
}

TEST(Pkgutil, ReportsAnUnsignedPackage)
{
    Sandbox box;
    PackageBuilder().add(component("", synth())).write(box.in("u.pkg"));
    const auto run = runTool("pkgutil", {"--check-signature", box.in("u.pkg")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Package \"u.pkg\":\n   Status: no signature\n");
}

TEST(Hdiutil, AttachesReadOnlyAndDetaches)
{
    Sandbox box;
    DiskImageBuilder()
        .add(synth())
        .add(ArchiveEntry::symlink("Synth.vst3/Contents/Current", "MacOS"))
        .write(box.in("i.dmg"), box.dir.path() + "/in/scratch");
    const QString mount = box.work("mount");
    QDir().mkpath(mount);
    const auto attach = runTool("hdiutil", {"attach", box.in("i.dmg"), "-nobrowse", "-readonly", "-noautoopen",
                                            "-mountpoint", mount, "-plist"});
    ASSERT_EQ(attach.status, 0) << attach.err.toStdString();
    EXPECT_TRUE(attach.out.contains("<string>" + mount + "</string>"));
    EXPECT_TRUE(QFileInfo(mount + "/Synth.vst3/Contents/MacOS/Synth").isExecutable());
    EXPECT_TRUE(QFileInfo(mount + "/Synth.vst3/Contents/Current").isSymLink());
    EXPECT_FALSE(QFileInfo(mount + "/Synth.vst3/Contents").permission(QFile::WriteOwner));
    EXPECT_FALSE(QFileInfo(mount + "/Synth.vst3/Contents/Info.plist").permission(QFile::WriteOwner));

    EXPECT_EQ(runTool("hdiutil", {"detach", mount, "-force"}).status, 0);
    EXPECT_FALSE(QFileInfo::exists(mount));
    EXPECT_NE(runTool("hdiutil", {"detach", mount, "-force"}).status, 0);
}

TEST(Hdiutil, RefusesWhatIsNoImageAndVolumesOverTheLimit)
{
    Sandbox box;
    ZipBuilder(box.in("z.zip")).add(synth()).finish();
    EXPECT_EQ(runTool("hdiutil", {"attach", box.in("z.zip"), "-readonly", "-mountpoint", box.work("m")}).status, 1);

    DiskImageBuilder().add(ArchiveEntry::file("big.bin", QByteArray(1 << 20, 'b'))).write(box.in("big.dmg"), box.dir.path() + "/in/scratch");
    const auto run = runTool("hdiutil", {"--limit-bytes=1000", "attach", box.in("big.dmg"), "-readonly", "-mountpoint", box.work("m")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("over the limit")) << run.err.toStdString();
    EXPECT_EQ(bytesUnder(box.work()), 0);
}

} // namespace
