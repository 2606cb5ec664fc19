#include "kit/support/InstallError.h"
#include "kit/support/PathSafety.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <system_error>
#include <unistd.h>

using hub::InstallError;
using hub::PathSafety;

namespace {

QString str(const char* text) { return QString::fromUtf8(text); }

void write(const QString& path, qsizetype size)
{
    QDir().mkpath(path.left(path.lastIndexOf(u'/')));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(size, 'x'));
}

void link(const QString& destination, const QString& path)
{
    QDir().mkpath(path.left(path.lastIndexOf(u'/')));
    ASSERT_EQ(::symlink(QFile::encodeName(destination).constData(), QFile::encodeName(path).constData()), 0) << path.toStdString();
}

// The message of the refusal, or "" when the tree passes.
QString refusal(const QString& root)
{
    try {
        PathSafety::assertNoEscapingLinks(root);
    } catch (const InstallError& error) {
        return error.message();
    }
    return {};
}

} // namespace

TEST(PathSafety, SanitizedFileNames)
{
    const QString fallback = QStringLiteral("download");
    const QList<std::pair<QString, QString>> table = {
        {str("../../x/y"), str("_.._x_y")},
        {str("..."), fallback},
        {str("  \u3000 "), fallback},
        {str(""), fallback},
        {str("a:b\\c"), str("a_b_c")},
        {str("\tname\n"), str("_name_")},
        {str("a\u200bb") + QChar(u'\0') + str("c\u007f"), str("a_b_c_")}, // format and control characters
        {str("\U0001F468\u200D\U0001F469"), str("\U0001F468_\U0001F469")}, // a joiner is a format character
        {str(" name\u00a0"), str("name")},
        {str(". x"), str(" x")},
        {str("\u2028.hidden"), str("hidden")},
        {str("Synth 2.0.pkg"), str("Synth 2.0.pkg")},
    };
    for (const auto& [name, expected] : table)
        EXPECT_EQ(PathSafety::sanitizedFileName(name, fallback), expected) << name.toStdString();
    EXPECT_EQ(PathSafety::sanitizedFileName(str("/"), str("../fallback stays")), str("_"));
    EXPECT_EQ(PathSafety::sanitizedFileName(str("."), str("../fallback stays")), str("../fallback stays"));
}

TEST(PathSafety, SanitizedNamesStayWithinCharactersAndBytes)
{
    const QString ascii = QString(300, u'a');
    EXPECT_EQ(PathSafety::sanitizedFileName(ascii, {}), QString(200, u'a'));

    // A thumb with a skin tone is one character of two scalars (8 UTF-8 bytes): 30 fit in 240 bytes.
    const QString thumb = str("\U0001F44D\U0001F3FD");
    EXPECT_EQ(PathSafety::sanitizedFileName(thumb.repeated(100), {}), thumb.repeated(30));
    EXPECT_EQ(PathSafety::sanitizedFileName(str("x") + thumb.repeated(100), {}), str("x") + thumb.repeated(29));

    // Three-byte characters: 200 of them would be 600 bytes; 80 fit.
    const QString kana = PathSafety::sanitizedFileName(QString(300, QChar(0x30A2)), {});
    EXPECT_EQ(kana, QString(80, QChar(0x30A2)));

    // An e with a combining accent is one character of three bytes; the cut never splits it.
    const QString accented = str("e\u0301");
    const QString mixed = PathSafety::sanitizedFileName(str("ab") + accented.repeated(100), {});
    EXPECT_EQ(mixed, str("ab") + accented.repeated(79));
    EXPECT_LE(mixed.toUtf8().size(), 240);

    // A flag is one character of two scalars; 199 letters and a flag are 200 characters.
    const QString flag = str("\U0001F1E9\U0001F1EA");
    EXPECT_EQ(PathSafety::sanitizedFileName(QString(199, u'a') + flag + str("b"), {}), QString(199, u'a') + flag);
    EXPECT_EQ(PathSafety::sanitizedFileName(QString(198, u'a') + flag + str("bc"), {}), QString(198, u'a') + flag + str("b"));

    // Four-byte characters after a letter of another script are never split into
    // halves: a Thai letter (3 bytes) and 59 of them (236 bytes) fit.
    for (const QString& lead : {str("\u0E01"), str("\u0E01\u0E31"), str("\u0627")}) {
        const QString emoji = str("\U0001F600");
        const QString cut = PathSafety::sanitizedFileName(lead + emoji.repeated(120), {});
        EXPECT_LE(cut.toUtf8().size(), 240) << lead.toStdString();
        EXPECT_EQ(QString::fromUtf8(cut.toUtf8()), cut) << lead.toStdString(); // no lone surrogate
        EXPECT_EQ(cut, lead + emoji.repeated((240 - lead.toUtf8().size()) / 4)) << lead.toStdString();
    }
}

TEST(PathSafety, Containment)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.filePath(QStringLiteral("a"));
    write(root + QStringLiteral("/sub/file"), 1);
    QDir().mkpath(dir.filePath(QStringLiteral("ab")));
    link(QStringLiteral("sub"), root + QStringLiteral("/inside"));
    link(dir.path(), root + QStringLiteral("/up"));

    EXPECT_TRUE(PathSafety::isContained(root, root));
    EXPECT_TRUE(PathSafety::isContained(root + u'/', root));
    EXPECT_TRUE(PathSafety::isContained(root + QStringLiteral("/sub/file"), root));
    EXPECT_TRUE(PathSafety::isContained(root + QStringLiteral("/sub/missing/../new"), root));
    EXPECT_TRUE(PathSafety::isContained(root + QStringLiteral("/inside/file"), root));
    EXPECT_FALSE(PathSafety::isContained(dir.filePath(QStringLiteral("ab")), root));
    EXPECT_FALSE(PathSafety::isContained(root + QStringLiteral("/sub/../../other"), root));
    EXPECT_FALSE(PathSafety::isContained(root + QStringLiteral("/up/ab"), root));
    EXPECT_FALSE(PathSafety::isContained(dir.path(), root));
    // The root reached through a link of its own is still the root.
    link(root, dir.filePath(QStringLiteral("alias")));
    EXPECT_TRUE(PathSafety::isContained(root + QStringLiteral("/sub"), dir.filePath(QStringLiteral("alias"))));
}

TEST(PathSafety, EscapingLinks)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString base = dir.path();

    struct Row {
        const char* destination;
        const char* at;        // the link, below the tree
        const char* refusedAs; // "" when the tree passes
    };
    const QList<Row> table = {
        {"../outside", "lib", "lib"},
        {"sub/real", "ok1", ""},
        {".", "ok2", ""},
        {"../tree", "self", ""},
        {"/usr/lib", "deep/er/abs", "abs"},
        {"../../../tree2", "deep/er/up", "up"},
        {"missing/../../x", "ghost", "ghost"},
        {"no/such/file", "dangling", ""},
    };
    int index = 0;
    for (const Row& row : table) {
        const QString tree = base + QStringLiteral("/t%1/tree").arg(index++);
        write(tree + QStringLiteral("/sub/real"), 1);
        link(str(row.destination), tree + u'/' + str(row.at));
        const QString expected = *row.refusedAs
            ? InstallError::unsafeArchive(str(row.refusedAs) + QStringLiteral(" links outside the archive")).message()
            : QString();
        EXPECT_EQ(refusal(tree), expected) << row.at << " -> " << row.destination;
    }

    // An absolute link to a place inside the tree passes.
    const QString absolute = base + QStringLiteral("/abs/tree");
    write(absolute + QStringLiteral("/sub/real"), 1);
    link(absolute + QStringLiteral("/sub/real"), absolute + QStringLiteral("/x/y/link"));
    EXPECT_EQ(refusal(absolute), QString());

    // "hop" leads back to the top of the tree; climbing through it goes above the tree,
    // though the same text without the link would stay inside.
    const QString climb = base + QStringLiteral("/climb/tree");
    write(climb + QStringLiteral("/a/b/file"), 1);
    link(QStringLiteral("../.."), climb + QStringLiteral("/a/b/hop"));
    link(QStringLiteral("a/b/hop/../../.."), climb + QStringLiteral("/escape"));
    EXPECT_EQ(refusal(climb), QStringLiteral("The download was refused: escape links outside the archive."));

    // Hidden entries are visited too; a tree without links, an empty and a missing folder pass.
    const QString hidden = base + QStringLiteral("/hidden/tree");
    link(QStringLiteral("/etc/passwd"), hidden + QStringLiteral("/.x/.y"));
    EXPECT_EQ(refusal(hidden), QStringLiteral("The download was refused: .y links outside the archive."));
    write(base + QStringLiteral("/plain/f"), 3);
    EXPECT_EQ(refusal(base + QStringLiteral("/plain")), QString());
    QDir().mkpath(base + QStringLiteral("/empty"));
    EXPECT_EQ(refusal(base + QStringLiteral("/empty")), QString());
    EXPECT_EQ(refusal(base + QStringLiteral("/missing")), QString());

    // A loop of links inside the tree points nowhere outside it.
    const QString loop = base + QStringLiteral("/loop/tree");
    link(QStringLiteral("b"), loop + QStringLiteral("/a"));
    link(QStringLiteral("a"), loop + QStringLiteral("/b"));
    EXPECT_EQ(refusal(loop), QString());
}

TEST(PathSafety, AWalkThatCannotGoOnIsNoPass)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString tree = dir.path() + QStringLiteral("/tree");
    QDir().mkpath(tree);

    // The walk holds a descriptor per level: a tree deeper than the descriptors left
    // ends it early, and the escaping link at the bottom would go unseen.
    int fd = ::open(QFile::encodeName(tree).constData(), O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    for (int level = 0; level < 100; ++level) {
        ASSERT_EQ(::mkdirat(fd, "d", 0700), 0);
        const int next = ::openat(fd, "d", O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        ASSERT_GE(next, 0);
        fd = next;
    }
    ASSERT_EQ(::symlinkat("/usr/lib", fd, "out"), 0);
    ::close(fd);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit scarce = saved;
    scarce.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &scarce), 0);
    bool refused = false;
    try {
        PathSafety::assertNoEscapingLinks(tree);
    } catch (const InstallError&) {
        refused = true;
    } catch (const std::filesystem::filesystem_error&) {
        refused = true;
    }
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_TRUE(refused);
    EXPECT_NE(refusal(tree), QString()); // with descriptors enough, the link itself
}

TEST(PathSafety, TreeSizeCountsFilesNotLinks)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString tree = dir.filePath(QStringLiteral("tree"));
    write(tree + QStringLiteral("/a/ten"), 10);
    write(tree + QStringLiteral("/.hidden/five"), 5);
    write(dir.filePath(QStringLiteral("big")), 1 << 20);
    link(dir.filePath(QStringLiteral("big")), tree + QStringLiteral("/a/big"));
    link(dir.path(), tree + QStringLiteral("/up"));
    EXPECT_EQ(PathSafety::treeSize(tree), 15);
    EXPECT_EQ(PathSafety::treeSize(dir.filePath(QStringLiteral("missing"))), 0);
}

TEST(PathSafety, BundleNames)
{
    for (const char* name : {"Plug.vst3", "Plug.VST3", "My App.app", "a..vst3", "X.component", "X.clap", "X.vst"})
        EXPECT_TRUE(PathSafety::isAcceptableBundleName(str(name))) << name;
    for (const char* name : {"", ".Hidden.vst3", "Plug.dmg", "Plug", "a/b.vst3", "Plug.vst3.zip", "vst3"})
        EXPECT_FALSE(PathSafety::isAcceptableBundleName(str(name))) << name;
    EXPECT_FALSE(PathSafety::isAcceptableBundleName(QStringLiteral("a") + QChar(u'\0') + QStringLiteral(".vst3")));
    EXPECT_TRUE(PathSafety::isAcceptableBundleName(QString(250, u'x') + QStringLiteral(".app")));  // 254
    EXPECT_FALSE(PathSafety::isAcceptableBundleName(QString(251, u'x') + QStringLiteral(".vst3"))); // 256
}
