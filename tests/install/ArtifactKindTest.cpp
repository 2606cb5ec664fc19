#include "kit/install/ArtifactKind.h"
#include "kit/install/StagedBundle.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <system_error>

using hub::ArtifactKind;
using hub::BundleKind;

namespace {

QByteArray bytes(const char* text, qsizetype size) { return QByteArray(text, size); }

// `size` bytes of filler with `head` at the start and `trailer` at the start of the last 512 bytes.
QByteArray file(const QByteArray& head, qsizetype size, const QByteArray& trailer = {})
{
    QByteArray data(size, '\x11');
    data.replace(0, head.size(), head);
    if (!trailer.isEmpty())
        data.replace(size - 512, trailer.size(), trailer);
    return data;
}

} // namespace

TEST(ArtifactKind, SniffReadsTheBytesNotTheName)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray xar = bytes("xar!", 4);
    const QByteArray zip = bytes("PK\x03\x04", 4);
    const QByteArray koly = bytes("koly", 4);

    struct Row {
        const char* name;
        QByteArray contents;
        std::optional<ArtifactKind> kind;
    };
    const QList<Row> table = {
        {"a.pkg", file(xar, 4), ArtifactKind::pkg},
        {"b.dmg", file(zip, 100), ArtifactKind::zip},
        {"image.zip", file({}, 4096, koly), ArtifactKind::dmg},
        {"both.pkg", file(xar, 4096, koly), ArtifactKind::pkg},
        {"zipkoly", file(zip, 4096, koly), ArtifactKind::zip},
        {"empty-zip.zip", file(bytes("PK\x05\x06", 4), 22), std::nullopt},
        {"spanned.zip", file(bytes("PK\x07\x08", 4), 4096), std::nullopt},
        {"spanned-image", file(bytes("PK\x07\x08", 4), 4096, koly), ArtifactKind::dmg},
        {"empty", {}, std::nullopt},
        {"one", bytes("x", 1), std::nullopt},
        {"three", bytes("xar", 3), std::nullopt},
        {"short", file({}, 511), std::nullopt},
        {"short-koly", file(koly, 511), std::nullopt},
        {"exactly-512", file(koly, 512), ArtifactKind::dmg},
        {"koly-cut", file({}, 1024, bytes("kol", 3)), std::nullopt},
        {"koly-late", file({}, 1024).append("koly"), std::nullopt},
    };
    for (const Row& row : table) {
        const QString path = dir.filePath(QString::fromUtf8(row.name));
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(row.contents);
        out.close();
        EXPECT_EQ(ArtifactKind::sniff(path), row.kind) << row.name;
    }
}

TEST(ArtifactKind, UnreadablePathsThrow)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_THROW(ArtifactKind::sniff(dir.filePath(QStringLiteral("missing"))), std::system_error);
    EXPECT_THROW(ArtifactKind::sniff(dir.path()), std::system_error); // a folder cannot be read
    // A FIFO is refused, not waited on; a link (to a zip) is not followed.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo"))).constData(), 0600), 0);
    QFile zip(dir.filePath(QStringLiteral("a.zip")));
    ASSERT_TRUE(zip.open(QIODevice::WriteOnly) && zip.write("PK\x03\x04") == 4 && zip.flush() && zip.link(dir.filePath(QStringLiteral("link"))));
    for (const char* name : {"fifo", "link"})
        EXPECT_THROW(ArtifactKind::sniff(dir.filePath(QString::fromLatin1(name))), std::system_error) << name;
}

TEST(ArtifactKind, RawValues)
{
    EXPECT_EQ(ArtifactKind::fromString(u"dmg"), ArtifactKind::dmg);
    EXPECT_EQ(ArtifactKind::fromString(u"PKG"), std::nullopt);
    EXPECT_EQ(ArtifactKind(ArtifactKind::zip).toString(), QStringLiteral("zip"));
}

TEST(StagedBundle, NameAndEquality)
{
    const hub::StagedBundle bundle{QStringLiteral("/w/x/Synth.vst3/"), BundleKind::vst3};
    EXPECT_EQ(bundle.name(), QStringLiteral("Synth.vst3"));
    EXPECT_EQ(bundle, (hub::StagedBundle{QStringLiteral("/w/x/Synth.vst3/"), BundleKind::vst3}));
    EXPECT_NE(bundle, (hub::StagedBundle{QStringLiteral("/w/x/Synth.vst3/"), BundleKind::vst}));
}
