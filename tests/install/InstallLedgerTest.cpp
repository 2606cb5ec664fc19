#include "kit/install/InstallLedger.h"
#include "tests/testkit/FilePermissions.h"
#include "tests/testkit/ForkedChild.h"
#include "tests/testkit/ThisTestProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using hub::BundleKind;
using hub::InstalledItem;
using hub::InstallLedger;
using hub::InstallRecord;

namespace {

const char* childFolder = "HUB_LEDGER_TEST_FOLDER";

InstalledItem item(const QString& identifier, std::optional<QString> version, BundleKind kind = BundleKind::vst3)
{
    return {QStringLiteral("/home/u/Library/Audio/Plug-Ins/VST3/") + identifier + QStringLiteral(".vst3"), kind, identifier,
            QStringLiteral("KD4N8RWT2C"), std::move(version)};
}

InstallRecord record(const QString& id, const QString& name, QList<InstalledItem> items = {})
{
    return {id, name, QStringLiteral("1.0"), id + QStringLiteral("-mac"),
            QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC), std::move(items), {}};
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// A sparse file of 4 GiB: nothing on disk, but a size no ledger has.
bool makeHuge(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.resize(qint64(4) << 30);
}

QStringList productIds(const InstallLedger& ledger)
{
    QStringList ids;
    for (const InstallRecord& r : ledger.all())
        ids.append(r.productId);
    ids.sort();
    return ids;
}

} // namespace

TEST(InstallLedgerChild, Saves)
{
    if (!qEnvironmentVariableIsSet(childFolder))
        GTEST_SKIP() << "runs as a second process";
    InstallLedger(qEnvironmentVariable(childFolder)).save(record(QStringLiteral("child"), QStringLiteral("Child")));
}

TEST(InstallLedger, RoundTripOnDisk)
{
    QTemporaryDir folder;
    InstallLedger ledger(folder.path());
    EXPECT_TRUE(ledger.all().isEmpty());
    EXPECT_EQ(ledger.record(QStringLiteral("p1")), std::nullopt);

    InstallRecord saved = record(QStringLiteral("p1"), QStringLiteral("Synth"),
                                 {item(QStringLiteral("com.tavren.synth"), QStringLiteral("2.0")),
                                  item(QStringLiteral("com.tavren.synth.au"), std::nullopt, BundleKind::component)});
    saved.installedAt = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 750), Qt::UTC);
    saved.notes = {QStringLiteral("Installer scripts were skipped.")};
    ledger.save(saved);
    EXPECT_EQ(ledger.record(QStringLiteral("p1")), saved);

    const QByteArray text = contents(ledger.file);
    EXPECT_EQ(hub::test::permissionsOf(ledger.file), 0600u);
    EXPECT_EQ(hub::test::permissionsOf(ledger.floorsFile), 0600u);
    EXPECT_TRUE(text.contains("\n    \"p1\": {")) << text.toStdString(); // pretty-printed
    EXPECT_TRUE(text.contains("\"installedAt\": \"2024-05-06T07:08:09Z\""));
    EXPECT_LT(text.indexOf("\"downloadKey\""), text.indexOf("\"installedAt\"")); // keys sorted
    EXPECT_LT(text.indexOf("\"identifier\""), text.indexOf("\"kind\""));
    EXPECT_EQ(text.count("\"version\""), 2); // the record's and one item's; none for the item without
    EXPECT_EQ(QJsonDocument::fromJson(text).object().keys(), QStringList{QStringLiteral("p1")});

    InstallRecord expected = saved;
    expected.installedAt = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC);
    const InstallLedger reread(folder.path());
    EXPECT_EQ(reread.record(QStringLiteral("p1")), expected);
    EXPECT_EQ(reread.record(QStringLiteral("p1"))->items[1].version, std::nullopt);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), (QStringList{QStringLiteral("installed.json"), QStringLiteral("version-floors.json")}));
}

TEST(InstallLedger, DamagedLedgersReadAsEmpty)
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("installed.json"));
    const QByteArray good = R"({"p1":{"productId":"p1","productName":"A","version":"1","downloadKey":"k",
        "installedAt":"2024-05-06T07:08:09Z","items":[{"path":"/a.vst3","kind":"vst3","identifier":"i","teamID":"T"}],"notes":[]}})";
    put(file, good);
    EXPECT_EQ(InstallLedger(folder.path()).all().size(), 1);

    const std::pair<const char*, const char*> damages[] = {
        {R"(,"notes":[])", ""},                                       // a required key missing
        {"2024-05-06T07:08:09Z", "2024-05-06T07:08:09.5Z"},            // fraction of a second
        {"2024-05-06T07:08:09Z", "2024-05-06T07:08:09+02:00"},         // not UTC
        {"2024-05-06T07:08:09Z", "2024-05-06"},
        {R"("kind":"vst3")", R"("kind":"dll")"},
        {R"("teamID":"T")", R"("teamId":"T")"},
        {R"("version":"1")", R"("version":1)"},
    };
    for (const auto& [from, to] : damages) {
        QByteArray damaged = good;
        damaged.replace(from, to);
        ASSERT_NE(damaged, good) << to;
        put(file, damaged);
        EXPECT_TRUE(InstallLedger(folder.path()).all().isEmpty()) << to;
    }
    put(file, "{not json");
    EXPECT_TRUE(InstallLedger(folder.path()).all().isEmpty());
}

TEST(InstallLedger, UnreadableFilesAreMovedAsideBeforeTheNextSave)
{
    QTemporaryDir folder;
    InstallLedger ledger(folder.path());
    put(ledger.file, "{broken");
    put(ledger.floorsFile, R"({"com.tavren.synth":2})");
    ledger.reload();
    EXPECT_TRUE(ledger.all().isEmpty());
    EXPECT_EQ(ledger.floor(QStringLiteral("com.tavren.synth")), std::nullopt);
    EXPECT_EQ(contents(ledger.file), QByteArray("{broken")); // reading alone moves nothing

    ledger.save(record(QStringLiteral("p1"), QStringLiteral("A"), {item(QStringLiteral("com.tavren.synth"), QStringLiteral("1.0"))}));
    const QStringList aside = QDir(folder.path()).entryList({QStringLiteral("*.unreadable-*")}, QDir::Files, QDir::Name);
    ASSERT_EQ(aside.size(), 2);
    EXPECT_TRUE(aside[0].startsWith(QStringLiteral("installed.json.unreadable-")));
    EXPECT_TRUE(aside[1].startsWith(QStringLiteral("version-floors.json.unreadable-")));
    EXPECT_EQ(contents(folder.filePath(aside[0])), QByteArray("{broken"));
    EXPECT_EQ(productIds(InstallLedger(folder.path())), QStringList{QStringLiteral("p1")});
    EXPECT_EQ(ledger.floor(QStringLiteral("com.tavren.synth")), QStringLiteral("1.0"));
}

TEST(InstallLedger, AllIsOrderedByNameByCharacterValue)
{
    QTemporaryDir folder;
    InstallLedger ledger(folder.path());
    for (const char* name : {"alpha", "Beta", "Alpha", "beta"})
        ledger.save(record(QString::fromLatin1(name).toLower() + QString::fromLatin1(name), QString::fromLatin1(name)));
    QStringList names;
    for (const InstallRecord& r : ledger.all())
        names.append(r.productName);
    EXPECT_EQ(names, (QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("alpha"), QStringLiteral("beta")}));
}

TEST(InstallLedger, SavesInTurnKeepEveryRecord)
{
    QTemporaryDir folder;
    InstallLedger first(folder.path()), second(folder.path());
    first.save(record(QStringLiteral("a"), QStringLiteral("A")));
    second.save(record(QStringLiteral("b"), QStringLiteral("B"))); // second never read "a"
    ASSERT_EQ(hub::test::runThisTest(QStringLiteral("InstallLedgerChild.Saves"), {{QString::fromLatin1(childFolder), folder.path()}}), 0);
    first.save(record(QStringLiteral("c"), QStringLiteral("C")));
    EXPECT_EQ(productIds(first), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("child")}));

    second.remove(QStringLiteral("a"));
    first.reload();
    EXPECT_EQ(productIds(first), (QStringList{QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("child")}));
    EXPECT_NO_THROW(first.remove(QStringLiteral("never-installed")));
}

TEST(InstallLedger, FloorsOnlyRiseAndOutliveRemoval)
{
    QTemporaryDir folder;
    InstallLedger ledger(folder.path());
    const QString synth = QStringLiteral("com.tavren.synth");
    EXPECT_EQ(ledger.floor(synth), std::nullopt);

    const auto install = [&](std::initializer_list<std::optional<QString>> versions) {
        QList<InstalledItem> items;
        for (const auto& version : versions)
            items.append(item(synth, version));
        ledger.save(record(QStringLiteral("p1"), QStringLiteral("Synth"), items));
        return ledger.floor(synth);
    };
    EXPECT_EQ(install({QStringLiteral("2.1")}), QStringLiteral("2.1"));
    EXPECT_EQ(install({QStringLiteral("2.0")}), QStringLiteral("2.1"));
    EXPECT_EQ(install({std::nullopt}), QStringLiteral("2.1"));
    EXPECT_EQ(install({QStringLiteral("2.10")}), QStringLiteral("2.10"));
    EXPECT_EQ(install({QStringLiteral("2.10.0")}), QStringLiteral("2.10")); // equal: kept
    EXPECT_EQ(install({QStringLiteral("3.0-beta.2"), QStringLiteral("3.0-beta.10")}), QStringLiteral("3.0-beta.10"));
    EXPECT_EQ(install({QStringLiteral("3.0"), QStringLiteral("2.9")}), QStringLiteral("3.0"));

    ledger.remove(QStringLiteral("p1"));
    EXPECT_EQ(ledger.record(QStringLiteral("p1")), std::nullopt);
    EXPECT_EQ(ledger.floor(synth), QStringLiteral("3.0"));
    EXPECT_FALSE(contents(ledger.floorsFile).contains('\n')); // compact
}

TEST(InstallRecord, PresentItemsAreThoseOnDisk)
{
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("Here.vst3")));
    InstallRecord r = record(QStringLiteral("p"), QStringLiteral("P"));
    r.items = {item(QStringLiteral("gone"), std::nullopt), item(QStringLiteral("here"), std::nullopt),
               item(QStringLiteral("link"), std::nullopt), item(QStringLiteral("live"), std::nullopt)};
    r.items[1].path = folder.filePath(QStringLiteral("Here.vst3"));
    r.items[2].path = folder.filePath(QStringLiteral("Link.vst3"));
    r.items[3].path = folder.filePath(QStringLiteral("Live.vst3"));
    // A dangling link is gone; a live one, even to a copy of the bundle, is not the bundle.
    ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("nowhere")), r.items[2].path) && QFile::link(r.items[1].path, r.items[3].path));
    EXPECT_EQ(r.presentItems(), (QList{r.items[1]}));
    EXPECT_EQ(r.items[1].name(), QStringLiteral("Here.vst3"));
}

TEST(InstallLedger, RecordsThatDoNotDecodeAreKeptAsWritten)
{
    QTemporaryDir folder;
    InstallLedger ledger(folder.path());
    ledger.save(record(QStringLiteral("p1"), QStringLiteral("A"), {item(QStringLiteral("com.tavren.a"), QStringLiteral("1.0"))}));
    // A kind and a member of a newer version, an exact integer past 2^53, odd spacing; a hand edit.
    const QByteArray newer = R"({ "productId":"p2","productName":"B","version":"2","downloadKey":"k","installedAt":"2024-05-06T07:08:09Z",
        "items":[{"path":"/b.clap2","kind":"clap2","identifier":"com.tavren.b","teamID":"T","version":"9.0"}],
        "notes":[], "bytes": 12345678901234567891 })";
    const QByteArray edited = R"("not a record")";
    QByteArray text = contents(ledger.file);
    text.insert(text.lastIndexOf('}'), ",\n\"p2\":" + newer + ",\n  \"p\\u0033\" : " + edited + "\n");
    put(ledger.file, text);

    ledger.reload();
    EXPECT_EQ(productIds(ledger), QStringList{QStringLiteral("p1")});
    ledger.save(record(QStringLiteral("p4"), QStringLiteral("D")));
    const QByteArray saved = contents(ledger.file);
    EXPECT_TRUE(saved.contains("\"p2\": " + newer + ",\n")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("\"p3\": " + edited + ",\n")) << saved.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(saved).object().keys(),
              (QStringList{QStringLiteral("p1"), QStringLiteral("p2"), QStringLiteral("p3"), QStringLiteral("p4")}));
    EXPECT_EQ(productIds(InstallLedger(folder.path())), (QStringList{QStringLiteral("p1"), QStringLiteral("p4")}));
    EXPECT_TRUE(QDir(folder.path()).entryList({QStringLiteral("*.unreadable-*")}, QDir::Files).isEmpty());

    // A record saved or removed under the same id replaces the kept text.
    ledger.save(record(QStringLiteral("p2"), QStringLiteral("B")));
    ledger.remove(QStringLiteral("p3"));
    EXPECT_FALSE(contents(ledger.file).contains("clap2"));
    EXPECT_EQ(productIds(InstallLedger(folder.path())), (QStringList{QStringLiteral("p1"), QStringLiteral("p2"), QStringLiteral("p4")}));
}

TEST(InstallLedger, UnreadableFloorsAreRebuiltFromTheRecords)
{
    QTemporaryDir folder;
    InstallLedger ledger(folder.path());
    ledger.save(record(QStringLiteral("p1"), QStringLiteral("A"),
                       {item(QStringLiteral("com.tavren.a"), QStringLiteral("2.0")), item(QStringLiteral("com.tavren.b"), std::nullopt)}));
    ledger.save(record(QStringLiteral("p2"), QStringLiteral("B"), {item(QStringLiteral("com.tavren.a"), QStringLiteral("2.5"))}));
    put(ledger.floorsFile, "{broken");

    EXPECT_EQ(ledger.floor(QStringLiteral("com.tavren.a")), QStringLiteral("2.5"));
    EXPECT_EQ(contents(ledger.floorsFile), QByteArray("{broken")); // reading alone moves nothing

    ledger.save(record(QStringLiteral("p3"), QStringLiteral("C"), {item(QStringLiteral("com.tavren.c"), QStringLiteral("1.0"))}));
    EXPECT_EQ(QDir(folder.path()).entryList({QStringLiteral("version-floors.json.unreadable-*")}, QDir::Files).size(), 1);
    const QJsonObject floors = QJsonDocument::fromJson(contents(ledger.floorsFile)).object();
    EXPECT_EQ(floors, (QJsonObject{{QStringLiteral("com.tavren.a"), QStringLiteral("2.5")},
                                   {QStringLiteral("com.tavren.c"), QStringLiteral("1.0")}}));
}

TEST(InstallLedger, AnythingButARegularFileIsUnreadableAndNeverBlocks)
{
    QTemporaryDir folder;
    InstallLedger seed(folder.path());
    ASSERT_EQ(::mkfifo(QFile::encodeName(seed.file).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(seed.floorsFile).constData(), 0600), 0);

    InstallLedger ledger(folder.path()); // a FIFO opened for reading waits for a writer
    EXPECT_TRUE(ledger.all().isEmpty());
    EXPECT_EQ(ledger.floor(QStringLiteral("com.tavren.synth")), std::nullopt);

    ledger.save(record(QStringLiteral("p1"), QStringLiteral("A"), {item(QStringLiteral("com.tavren.synth"), QStringLiteral("1.0"))}));
    const QStringList aside = QDir(folder.path()).entryList({QStringLiteral("*.unreadable-*")}, QDir::System, QDir::Name);
    EXPECT_EQ(aside.size(), 2);
    EXPECT_EQ(productIds(InstallLedger(folder.path())), QStringList{QStringLiteral("p1")});
    EXPECT_EQ(ledger.floor(QStringLiteral("com.tavren.synth")), QStringLiteral("1.0"));
}

// A huge file is unreadable, never read whole (the child has little address space to spare):
// moved aside at the next save, while a readable file beside it is kept.
TEST(InstallLedger, OverLargeFilesAreUnreadable)
{
    QTemporaryDir folder;
    const QString floorsFile = folder.filePath(QStringLiteral("version-floors.json"));
    ASSERT_TRUE(makeHuge(folder.filePath(QStringLiteral("installed.json"))));
    put(floorsFile, R"({"com.tavren.synth":"2.0"})");

    const int end = hub::test::runInChild([&] {
        InstallLedger ledger(folder.path());
        const auto floor = [&] { return ledger.floor(QStringLiteral("com.tavren.synth")); };
        if (!ledger.all().isEmpty() || floor() != QStringLiteral("2.0"))
            return 1;
        ledger.save(record(QStringLiteral("p1"), QStringLiteral("A"), {item(QStringLiteral("com.tavren.synth"), QStringLiteral("1.0"))}));
        if (floor() != QStringLiteral("2.0") || !makeHuge(floorsFile) || floor() != QStringLiteral("1.0"))
            return 2; // the readable floors stay; huge ones are rebuilt from the records
        ledger.save(record(QStringLiteral("p2"), QStringLiteral("B")));
        return productIds(InstallLedger(folder.path())) == QStringList{QStringLiteral("p1"), QStringLiteral("p2")} ? 0 : 3;
    }, qint64(256) << 20);
    ASSERT_EQ(end, 0);

    const QStringList aside = QDir(folder.path()).entryList({QStringLiteral("*.unreadable-*")}, QDir::Files, QDir::Name);
    ASSERT_EQ(aside.size(), 2);
    EXPECT_TRUE(aside[0].startsWith("installed.json.unreadable-") && aside[1].startsWith("version-floors.json.unreadable-"));
    EXPECT_EQ(QFileInfo(folder.filePath(aside[1])).size(), qint64(4) << 30) << "moved, never rewritten";
}
