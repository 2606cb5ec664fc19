#include "kit/install/BundleInstaller.h"
#include "kit/platform/FileManager.h"
#include "kit/platform/TrashError.h"
#include "kit/codesign/NativeCodeSigning.h"
#include "kit/platform/RunningApplications.h"
#include "kit/support/InstallError.h"
#include "tests/testkit/SealedBundle.h"
#include "tests/testkit/TestSigner.h"
#include "tests/testkit/ThisTestProcess.h"
#include "tests/testkit/Thrown.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <QUuid>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>
#include <gtest/gtest.h>

using namespace hub;
using hub::test::SealCodeSigning;
using hub::test::SealedBundle;
using hub::test::thrown;

namespace {

const QString team = SignaturePolicy::tavren().teamID;

SealedBundle plugIn(const QString& name, const QString& version)
{
    SealedBundle bundle;
    bundle.name = name;
    bundle.identifier = QStringLiteral("com.tavren.") + name.section(u'.', 0, 0).toLower();
    bundle.version = version;
    return bundle;
}

// Every entry below the root: a file's bytes, a link's target, "<dir>" for a folder.
QMap<QString, QByteArray> snapshot(const QString& root)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        QByteArray value = "<dir>";
        if (info.isSymLink()) {
            value = "-> " + QFile::encodeName(info.symLinkTarget());
        } else if (info.isFile()) {
            QFile file(path);
            value = file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>";
        }
        entries.insert(QDir(root).relativeFilePath(path), value);
    }
    return entries;
}

// The hidden temporary copies in a folder.
QStringList hiddenCopies(const QString& folder)
{
    QStringList copies;
    for (const QString& name : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (name.startsWith(u'.') && name.contains(QStringLiteral(".tavren-")))
            copies << name;
    }
    return copies;
}

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QString& value) : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, QFile::encodeName(value));
    }
    ~ScopedVariable()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

class BundleInstallerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (const QString& folder : {home, applications, staging, data, current})
            ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(QDir::setCurrent(current));
    }

    // Nothing ever lands in the folder the process runs in.
    void TearDown() override
    {
        EXPECT_EQ(QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot), QStringList());
        QDir::setCurrent(startedIn);
    }

    BundleInstaller installer(BundleInstaller::TrashOperation trash = BundleInstaller::moveToTrash()) const
    {
        return BundleInstaller(CodeVerifier(SignaturePolicy::tavren(), service), home, applications, std::move(trash));
    }

    // Writes the bundle into a folder of its own under the staging area.
    StagedBundle stage(const SealedBundle& bundle) const
    {
        const QString folder = staging + u'/' + QUuid::createUuid().toString(QUuid::WithoutBraces);
        QDir().mkpath(folder);
        const QString path = bundle.write(folder);
        return {path, *BundleKind::fromPath(path)};
    }

    QString plugIns(const QString& folder) const { return home + QStringLiteral("/Library/Audio/Plug-Ins/") + folder; }
    QString trashed(const QString& name) const { return data + QStringLiteral("/Trash/files/") + name; }

    // The verifier's view of a bundle on disk: its version, or "invalid" when it does not verify.
    QString verifiedVersion(const QString& path) const
    {
        try {
            return CodeVerifier(SignaturePolicy::tavren(), service).verify(QUrl::fromLocalFile(path)).version.value_or(QStringLiteral("none"));
        } catch (const VerificationFailure&) {
            return QStringLiteral("invalid");
        }
    }

    QTemporaryDir dir;
    QString home = dir.filePath(QStringLiteral("home"));
    QString applications = dir.filePath(QStringLiteral("Applications"));
    QString staging = dir.filePath(QStringLiteral("staging"));
    QString data = dir.filePath(QStringLiteral("data"));
    QString current = dir.filePath(QStringLiteral("current"));
    QString startedIn = QDir::currentPath();
    // The default trash goes to $XDG_DATA_HOME/Trash on the home's volume.
    ScopedVariable homeVariable{"HOME", home};
    ScopedVariable dataVariable{"XDG_DATA_HOME", data};
    std::shared_ptr<SealCodeSigning> service = std::make_shared<SealCodeSigning>();
};

TEST_F(BundleInstallerTest, FirstInstallPlacesEveryBundleAndReportsWhatWasVerified)
{
    SealedBundle component = plugIn(QStringLiteral("Echo.component"), QStringLiteral("2.1"));
    component.version.reset();
    SealedBundle app = plugIn(QStringLiteral("Synth Editor.app"), QStringLiteral("3.0"));
    const QList<StagedBundle> staged{stage(plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("1.0"))), stage(component), stage(app)};

    const QList<InstalledItem> items = installer().install(staged);

    const QList<InstalledItem> expected{
        {plugIns(QStringLiteral("VST3/Synth.vst3")), BundleKind::vst3, QStringLiteral("com.tavren.synth"), team, QStringLiteral("1.0")},
        {plugIns(QStringLiteral("Components/Echo.component")), BundleKind::component, QStringLiteral("com.tavren.echo"), team, std::nullopt},
        {applications + QStringLiteral("/Synth Editor.app"), BundleKind::app, QStringLiteral("com.tavren.synth editor"), team,
         QStringLiteral("3.0")},
    };
    EXPECT_EQ(items, expected);
    for (int i = 0; i < staged.size(); ++i)
        EXPECT_EQ(snapshot(items[i].path), snapshot(staged[i].path)) << items[i].path.toStdString();
    EXPECT_TRUE(hiddenCopies(plugIns(QStringLiteral("VST3"))).isEmpty());
    EXPECT_TRUE(hiddenCopies(applications).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(data + QStringLiteral("/Trash")));
}

TEST_F(BundleInstallerTest, NewerOrEqualCopyReplacesTheOldOneWhichGoesToTheTrash)
{
    const QString dest = plugIns(QStringLiteral("VST3/Synth.vst3"));
    installer().install({stage(plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("1.0")))});
    // What a placement killed earlier left beside the destination, and a look-alike that is not ours.
    const QString leftover = plugIns(QStringLiteral("VST3/")) + BundleInstaller::temporaryName(QStringLiteral("Synth.vst3"));
    QDir().mkpath(leftover + QStringLiteral("/Contents"));
    const QString stranger = plugIns(QStringLiteral("VST3/.Synth.vst3.tavren-mine"));
    QDir().mkpath(stranger);

    const StagedBundle newer = stage(plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("1.1")));
    EXPECT_EQ(installer().install({newer}).at(0).version, QStringLiteral("1.1"));
    EXPECT_EQ(verifiedVersion(dest), QStringLiteral("1.1"));
    EXPECT_EQ(verifiedVersion(trashed(QStringLiteral("Synth.vst3"))), QStringLiteral("1.0"));
    EXPECT_TRUE(QFileInfo::exists(data + QStringLiteral("/Trash/info/Synth.vst3.trashinfo")));
    EXPECT_EQ(hiddenCopies(plugIns(QStringLiteral("VST3"))), QStringList{QStringLiteral(".Synth.vst3.tavren-mine")});

    // The same version again replaces it too; place reports where the old copy went.
    const auto code = installer().verifyAll({newer}).at(0).second;
    const auto previous = installer().place(newer, dest, code);
    ASSERT_TRUE(previous.has_value());
    EXPECT_EQ(verifiedVersion(*previous), QStringLiteral("1.1"));
    EXPECT_EQ(verifiedVersion(dest), QStringLiteral("1.1"));
}

TEST_F(BundleInstallerTest, RefusalsBeforeCopyingChangeNothing)
{
    installer().install({stage(plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("2.0"))),
                         stage(plugIn(QStringLiteral("Bass.app"), QStringLiteral("1.0")))});
    const auto state = [&] { return QList{snapshot(home), snapshot(applications), snapshot(data)}; };
    const auto before = state();
    const StagedBundle fresh = stage(plugIn(QStringLiteral("Drums.clap"), QStringLiteral("1.0")));

    EXPECT_EQ(thrown<InstallError>([&] { installer().install({}); }), InstallError::nothingToInstall());

    // A downgrade anywhere in the download stops the bundles before it too.
    EXPECT_EQ(thrown<InstallError>([&] {
                  installer().install({fresh, stage(plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("1.10")))});
              }),
              InstallError::downgrade(QStringLiteral("Synth.vst3"), QStringLiteral("2.0"), QStringLiteral("1.10")));

    SealedBundle unnotarized = plugIn(QStringLiteral("Bass.app"), QStringLiteral("1.1"));
    unnotarized.notarized = false;
    EXPECT_EQ(thrown<VerificationFailure>([&] { installer().install({fresh, stage(unnotarized)}); }),
              VerificationFailure::notNotarized(QStringLiteral("Bass.app")));

    SealedBundle otherTeam = plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("3.0"));
    otherTeam.team = QStringLiteral("ZZZZZZZZZZ");
    EXPECT_EQ(thrown<VerificationFailure>([&] { installer().install({fresh, stage(otherTeam)}); }),
              VerificationFailure::wrongPublisher(QStringLiteral("Synth.vst3"), QStringLiteral("ZZZZZZZZZZ")));

    auto withApp = installer();
    withApp.isRunning = [&](const QString& bundle) { return bundle == applications + QStringLiteral("/Bass.app"); };
    EXPECT_EQ(thrown<InstallError>([&] { withApp.install({fresh, stage(plugIn(QStringLiteral("Bass.app"), QStringLiteral("1.1")))}); }),
              InstallError::appRunning(QStringLiteral("Bass")));

    EXPECT_TRUE(state() == before);
}

TEST_F(BundleInstallerTest, AnOccupiedDestinationIsLeftAlone)
{
    const QString folder = plugIns(QStringLiteral("VST3"));
    const QString dest = folder + QStringLiteral("/Synth.vst3");
    const StagedBundle offered = stage(plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("1.0")));

    struct Occupant {
        const char* what;
        std::function<void()> make;
    };
    const QList<Occupant> occupants{
        {"another product", [&] {
             SealedBundle other = plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("0.5"));
             other.identifier = QStringLiteral("com.tavren.other");
             other.write(folder);
         }},
        {"another team", [&] {
             SealedBundle other = plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("0.5"));
             other.team = QStringLiteral("ZZZZZZZZZZ");
             other.write(folder);
         }},
        {"an unsigned folder", [&] { QDir().mkpath(dest + QStringLiteral("/Contents/MacOS")); }},
        {"a broken seal", [&] {
             plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("0.5")).write(folder);
             QFile file(dest + QStringLiteral("/Contents/MacOS/Synth"));
             ASSERT_TRUE(file.open(QIODevice::Append));
             file.write("patched");
         }},
        {"a link to a copy of it", [&] { ASSERT_TRUE(QFile::link(offered.path, dest)); }},
    };
    for (const Occupant& occupant : occupants) {
        SCOPED_TRACE(occupant.what);
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        occupant.make();
        const auto before = snapshot(folder);

        EXPECT_EQ(thrown<InstallError>([&] { installer().install({offered}); }), InstallError::occupied(QStringLiteral("Synth.vst3")));
        EXPECT_EQ(snapshot(folder), before);
        EXPECT_FALSE(QFileInfo::exists(data + QStringLiteral("/Trash/files/Synth.vst3")));
    }

    // A dangling link holds nothing: it goes to the Trash like an old copy.
    ASSERT_TRUE(QDir(folder).removeRecursively() && QDir().mkpath(folder) && QFile::link(dir.filePath(QStringLiteral("nowhere")), dest));
    EXPECT_EQ(installer().install({offered}).size(), 1);
    EXPECT_EQ(QFileInfo(trashed(QStringLiteral("Synth.vst3"))).symLinkTarget(), dir.filePath(QStringLiteral("nowhere")));
}

TEST_F(BundleInstallerTest, AFailedPlacementRollsBackTheEarlierOnes)
{
    const QList<QString> names{QStringLiteral("A.vst3"), QStringLiteral("B.clap"), QStringLiteral("C.vst")};
    QList<StagedBundle> old, newer;
    for (const QString& name : names) {
        old << stage(plugIn(name, QStringLiteral("1.0")));
        newer << stage(plugIn(name, QStringLiteral("2.0")));
    }
    const QList<InstalledItem> installed = installer().install(old);
    const auto before = snapshot(home);

    // The third old copy cannot be moved to the Trash; the other two go there and come back.
    QStringList restoredOrder;
    const auto real = BundleInstaller::moveToTrash();
    auto refusing = installer([&](const QString& path) -> QString {
        if (path.endsWith(QStringLiteral("C.vst")))
            throw std::runtime_error("no Trash for this one");
        return real(path);
    });
    EXPECT_EQ(thrown<InstallError>([&] { refusing.install(newer); }),
              InstallError::placementFailed(QStringLiteral("could not move the old C.vst to the Trash: no Trash for this one")));
    EXPECT_EQ(snapshot(home), before);
    EXPECT_TRUE(QDir(data + QStringLiteral("/Trash/files")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_TRUE(QDir(data + QStringLiteral("/Trash/info")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));

    // rollBack undoes the last placement first: a bundle placed twice ends as it began.
    const QString dest = installed[0].path;
    const auto first = installer().place(newer[0], dest, installer().verifyAll({newer[0]})[0].second);
    const auto second = installer().place(old[0], dest, installer().verifyAll({old[0]})[0].second);
    installer().rollBack({{dest, first}, {dest, second}});
    EXPECT_EQ(verifiedVersion(dest), QStringLiteral("1.0"));
    EXPECT_EQ(snapshot(home), before);
}

TEST_F(BundleInstallerTest, FailedCopiesAndFinalChecksLeaveNothingBehind)
{
    const QString folder = plugIns(QStringLiteral("VST3"));
    const QString dest = folder + QStringLiteral("/Synth.vst3");
    installer().install({stage(plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("1.0")))});
    const auto before = snapshot(home);

    // The copy tool stops half-way on something it will not copy.
    const StagedBundle withPipe = stage(plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("1.1")));
    const auto expected = installer().verifyAll({withPipe})[0].second;
    ASSERT_EQ(mkfifo(QFile::encodeName(withPipe.path + QStringLiteral("/Contents/zz-pipe")).constData(), 0600), 0);
    EXPECT_EQ(thrown<InstallError>([&] { installer().place(withPipe, dest, expected); }).kind, InstallError::Kind::toolFailed);
    EXPECT_EQ(snapshot(home), before);

    // The placed copy fails its last check: it is removed and the old copy comes back.
    const StagedBundle newer = stage(plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("1.1")));
    int destChecks = 0;
    service->onCreate = [&](const QString& path) {
        if (path == dest && ++destChecks == 2) // after the occupant's check
            QFile::remove(dest + QStringLiteral("/Contents/Seal"));
    };
    EXPECT_EQ(thrown<VerificationFailure>([&] { installer().install({newer}); }), VerificationFailure::unsigned_(QStringLiteral("Synth.vst3")));
    EXPECT_EQ(snapshot(home), before);

    // A copy that is not what was verified.
    service->onCreate = nullptr;
    VerifiedCode other = expected;
    other.identifier = QStringLiteral("com.tavren.other");
    EXPECT_EQ(thrown<InstallError>([&] { installer().place(newer, dest, other); }),
              InstallError::placementFailed(QStringLiteral("the copy of Synth.vst3 does not match what was verified")));
    EXPECT_EQ(snapshot(home), before);
}

TEST_F(BundleInstallerTest, ARunningAppIsNeitherReplacedNorRemoved)
{
    QFile sleep(QStringLiteral("/bin/sleep"));
    ASSERT_TRUE(sleep.open(QIODevice::ReadOnly));
    SealedBundle app = plugIn(QStringLiteral("Synth.app"), QStringLiteral("1.0"));
    app.files = {{QStringLiteral("MacOS/Synth"), sleep.readAll()}};
    const QList<InstalledItem> installed = installer().install({stage(app)});
    const QString dest = installed[0].path;

    QProcess running;
    running.start(dest + QStringLiteral("/Contents/MacOS/Synth"), {QStringLiteral("60")});
    ASSERT_TRUE(running.waitForStarted());
    EXPECT_TRUE(RunningApplications::anyInside(dest));
    EXPECT_FALSE(RunningApplications::anyInside(staging));
    const auto state = [&] { return QList{snapshot(home), snapshot(applications), snapshot(data)}; };
    const auto before = state();

    app.version = QStringLiteral("1.1");
    const QList<StagedBundle> update{stage(plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("1.1"))), stage(app)};
    EXPECT_EQ(thrown<InstallError>([&] { installer().install(update); }), InstallError::appRunning(QStringLiteral("Synth")));
    EXPECT_EQ(installer().uninstall(installed), (Removal{installed, {}, {QStringLiteral("Synth.app")}}));
    EXPECT_TRUE(state() == before);

    running.kill();
    running.waitForFinished();
    EXPECT_FALSE(RunningApplications::anyInside(dest));
    EXPECT_EQ(installer().install(update).size(), 2);
    EXPECT_EQ(verifiedVersion(dest), QStringLiteral("1.1"));
}

TEST_F(BundleInstallerTest, UninstallTrashesWhatIsStillInstalledAndNamesTheRest)
{
    const QList<InstalledItem> items = installer().install({stage(plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("1.0"))),
                                                            stage(plugIn(QStringLiteral("Echo.component"), QStringLiteral("1.0"))),
                                                            stage(plugIn(QStringLiteral("Gone.clap"), QStringLiteral("1.0"))),
                                                            stage(plugIn(QStringLiteral("Keys.app"), QStringLiteral("1.0")))});
    QDir(items[2].path).removeRecursively();
    SealedBundle replaced = plugIn(QStringLiteral("Echo.component"), QStringLiteral("1.0"));
    replaced.team = QStringLiteral("ZZZZZZZZZZ");
    replaced.write(plugIns(QStringLiteral("Components")));
    QList<InstalledItem> withStranger = items;
    withStranger[3].identifier = QStringLiteral("com.tavren.piano"); // Keys.app was replaced by another product

    // Every item is tried; what the Trash refuses stays, with its reason.
    auto trashFails = installer([](const QString&) -> QString { throw std::runtime_error("full"); });
    EXPECT_EQ(trashFails.uninstall(items).kept, (QList{items[0], items[3]}));
    EXPECT_TRUE(QFileInfo::exists(items[0].path));

    EXPECT_EQ(installer().uninstall(withStranger),
              (Removal{{}, {QStringLiteral("Echo.component"), QStringLiteral("Keys.app")}, {}, {},
                       {QStringLiteral("Synth.vst3")}}));
    EXPECT_FALSE(QFileInfo::exists(items[0].path));
    EXPECT_EQ(verifiedVersion(trashed(QStringLiteral("Synth.vst3"))), QStringLiteral("1.0"));
    EXPECT_TRUE(QFileInfo::exists(items[1].path));
    EXPECT_TRUE(QFileInfo::exists(items[3].path));

    EXPECT_EQ(installer().uninstall({items[3]}), Removal{.moved = {QStringLiteral("Keys.app")}});
    EXPECT_FALSE(QFileInfo::exists(items[3].path));

    // An item that is only a link, to a copy elsewhere or dangling, changed since install; neither is the product's.
    const StagedBundle copy = stage(plugIn(QStringLiteral("Link.vst3"), QStringLiteral("1.0")));
    const QList<InstalledItem> links = installer().install({copy, stage(plugIn(QStringLiteral("Link.clap"), QStringLiteral("1.0")))});
    for (const InstalledItem& item : links)
        ASSERT_TRUE(QDir(item.path).removeRecursively());
    ASSERT_TRUE(QFile::link(copy.path, links[0].path) && QFile::link(dir.filePath(QStringLiteral("gone")), links[1].path));
    EXPECT_EQ(installer().uninstall(links), (Removal{{}, {QStringLiteral("Link.vst3"), QStringLiteral("Link.clap")}}));
}

TEST_F(BundleInstallerTest, SystemCopiesAreTheInstalledPlugInsInTheSystemFolders)
{
    auto subject = installer();
    subject.systemRoot = dir.filePath(QStringLiteral("system"));
    const QString systemVst3 = subject.systemRoot + QStringLiteral("/Library/Audio/Plug-Ins/VST3");
    plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("1.0")).write(systemVst3);
    QDir().mkpath(subject.systemRoot + QStringLiteral("/Library/Audio/Plug-Ins/Components/Echo.component"));
    QDir().mkpath(subject.systemRoot + QStringLiteral("/Applications/Keys.app"));
    QDir().mkpath(subject.systemRoot + QStringLiteral("/Library/Audio/Plug-Ins/VST3/Keys.app"));

    const QList<InstalledItem> items{
        {plugIns(QStringLiteral("VST3/Synth.vst3")), BundleKind::vst3, QStringLiteral("com.tavren.synth"), team, {}},
        {plugIns(QStringLiteral("CLAP/Synth.clap")), BundleKind::clap, QStringLiteral("com.tavren.synth"), team, {}},
        {applications + QStringLiteral("/Keys.app"), BundleKind::app, QStringLiteral("com.tavren.keys"), team, {}},
        {plugIns(QStringLiteral("Components/Echo.component")), BundleKind::component, QStringLiteral("com.tavren.echo"), team, {}},
    };
    EXPECT_EQ(subject.systemCopies(items),
              (QStringList{systemVst3 + QStringLiteral("/Synth.vst3"),
                           subject.systemRoot + QStringLiteral("/Library/Audio/Plug-Ins/Components/Echo.component")}));
    EXPECT_EQ(BundleInstaller(CodeVerifier(SignaturePolicy::tavren(), service), home, applications).systemRoot, QStringLiteral("/"));
}

TEST_F(BundleInstallerTest, DestinationsAndTemporaryNames)
{
    const auto subject = installer();
    EXPECT_EQ(subject.destination({QStringLiteral("/w/x/Synth.vst3"), BundleKind::vst3}), plugIns(QStringLiteral("VST3/Synth.vst3")));
    EXPECT_EQ(subject.destination({QStringLiteral("/w/x/Synth.component/"), BundleKind::component}),
              plugIns(QStringLiteral("Components/Synth.component")));
    EXPECT_EQ(subject.destination({QStringLiteral("/w/Keys.app"), BundleKind::app}), applications + QStringLiteral("/Keys.app"));

    const QString name = BundleInstaller::temporaryName(QStringLiteral("Synth.vst3"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\.Synth\\.vst3\\.tavren-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$")).match(name).hasMatch())
        << name.toStdString();
    EXPECT_NE(name, BundleInstaller::temporaryName(QStringLiteral("Synth.vst3")));
}

TEST_F(BundleInstallerTest, RealSignaturesSurviveTheCopy)
{
    using test::SigningIdentity;
    using test::TestSigner;
    const BundleInstaller native(CodeVerifier(SignaturePolicy::tavren(), std::make_shared<NativeCodeSigning>(test::anchors())),
                                 home, applications);
    test::BundleSpec spec = test::BundleSpec::plugIn(QStringLiteral("Foo"));
    spec.links = {{QStringLiteral("Resources/Current.txt"), QStringLiteral("Info.txt")}};
    const QString signedBundle = TestSigner::build(spec, staging, SigningIdentity::developerId());

    const QList<InstalledItem> items = native.install({{signedBundle, BundleKind::vst3}});
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0], (InstalledItem{plugIns(QStringLiteral("VST3/Foo.vst3")), BundleKind::vst3, QStringLiteral("com.tavren.foo"),
                                       SigningIdentity::tavrenTeam, QStringLiteral("120")}));

    // Another team's copy at the destination is not ours to replace.
    QDir(items[0].path).removeRecursively();
    TestSigner::build(spec, plugIns(QStringLiteral("VST3")), SigningIdentity::anotherTeam());
    const auto before = snapshot(home);
    EXPECT_EQ(thrown<InstallError>([&] { native.install({{signedBundle, BundleKind::vst3}}); }), InstallError::occupied(QStringLiteral("Foo.vst3")));
    EXPECT_EQ(snapshot(home), before);
}

// ---- A placement killed at any moment ----

const char* childRoot = "HUB_PLACE_CHILD_ROOT";
const char* childStaged = "HUB_PLACE_CHILD_STAGED";
const char* childKill = "HUB_PLACE_CHILD_KILL"; // "check N", "before trash", "after trash" or "never"

// Runs place for the staged bundle into <root>/home and dies by SIGKILL at the moment named.
TEST(BundleInstallerChild, PlacesUntilKilled)
{
    if (!qEnvironmentVariableIsSet(childRoot))
        GTEST_SKIP() << "runs as a second process";
    const QString root = qEnvironmentVariable(childRoot);
    const QString moment = qEnvironmentVariable(childKill);
    auto service = std::make_shared<SealCodeSigning>();
    BundleInstaller installer(CodeVerifier(SignaturePolicy::tavren(), service), root + QStringLiteral("/home"),
                              root + QStringLiteral("/Applications"), [&](const QString& path) {
                                  if (moment == QStringLiteral("before trash"))
                                      raise(SIGKILL);
                                  auto where = FileManager::trashItem(path);
                                  if (moment == QStringLiteral("after trash"))
                                      raise(SIGKILL);
                                  return where;
                              });
    const StagedBundle staged{qEnvironmentVariable(childStaged), BundleKind::vst3};
    const VerifiedCode expected = installer.verifyAll({staged})[0].second;
    int checks = 0;
    service->onCreate = [&](const QString&) {
        if (moment == QStringLiteral("check ") + QString::number(++checks))
            raise(SIGKILL);
    };
    installer.place(staged, installer.destination(staged), expected);
    std::exit(0);
}

// Whether any process still has the text in its command line (the orphaned copy tool).
bool processMentions(const QString& text)
{
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile cmdline(QStringLiteral("/proc/") + pid + QStringLiteral("/cmdline"));
        if (cmdline.open(QIODevice::ReadOnly) && QString::fromUtf8(cmdline.readAll()).contains(text))
            return true;
    }
    return false;
}

TEST_F(BundleInstallerTest, AKilledPlacementLeavesTheOldOrTheNewBundleAndTheNextInstallCleansUp)
{
    const QString folder = plugIns(QStringLiteral("VST3"));
    const QString dest = folder + QStringLiteral("/Synth.vst3");
    SealedBundle newer = plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("2.0"));
    for (int i = 0; i < 300; ++i) // enough to be caught copying
        newer.files.insert(QStringLiteral("Resources/part-%1").arg(i), QByteArray(4096, char('a' + i % 26)));
    const StagedBundle staged = stage(newer);

    // The checks of one placement: the copy, the occupant, the placed bundle.
    struct Moment {
        QString kill;
        QString left; // what the destination holds afterwards
    };
    const QList<Moment> moments{
        {QStringLiteral("copying"), QStringLiteral("1.0")},     {QStringLiteral("check 1"), QStringLiteral("1.0")},
        {QStringLiteral("check 2"), QStringLiteral("1.0")},     {QStringLiteral("before trash"), QStringLiteral("1.0")},
        {QStringLiteral("after trash"), QStringLiteral("none")}, {QStringLiteral("check 3"), QStringLiteral("2.0")},
        {QStringLiteral("never"), QStringLiteral("2.0")},
    };
    for (const Moment& moment : moments) {
        SCOPED_TRACE(moment.kill.toStdString());
        QDir(dest).removeRecursively();
        QDir(data + QStringLiteral("/Trash")).removeRecursively();
        plugIn(QStringLiteral("Synth.vst3"), QStringLiteral("1.0")).write(folder);

        const auto child = test::startThisTest(QStringLiteral("BundleInstallerChild.PlacesUntilKilled"),
                                               {{QString::fromLatin1(childRoot), dir.path()},
                                                {QString::fromLatin1(childStaged), staged.path},
                                                {QString::fromLatin1(childKill), moment.kill}});
        if (moment.kill == QStringLiteral("copying")) {
            QElapsedTimer timer;
            timer.start();
            while (hiddenCopies(folder).isEmpty() && child->state() == QProcess::Running && timer.elapsed() < 20'000)
                QThread::usleep(100);
            kill(pid_t(child->processId()), SIGKILL);
        }
        ASSERT_TRUE(child->waitForFinished(60'000));
        EXPECT_EQ(child->exitStatus() == QProcess::CrashExit, moment.kill != QStringLiteral("never"));
        QElapsedTimer waited;
        waited.start();
        while (processMentions(folder) && waited.elapsed() < 20'000)
            QThread::msleep(5);

        // Never a partial bundle: the old one, the new one, or (between the two steps of the
        // swap) none, with the old one whole in the Trash.
        if (moment.kill == QStringLiteral("copying")) {
            const QString left = verifiedVersion(dest);
            EXPECT_TRUE(left == QStringLiteral("1.0") || (left == QStringLiteral("2.0") && hiddenCopies(folder).isEmpty()));
        } else if (moment.left == QStringLiteral("none")) {
            EXPECT_FALSE(QFileInfo::exists(dest));
            EXPECT_EQ(verifiedVersion(trashed(QStringLiteral("Synth.vst3"))), QStringLiteral("1.0"));
        } else {
            EXPECT_EQ(verifiedVersion(dest), moment.left);
        }

        // The next install places the new copy and removes what the killed one left.
        EXPECT_EQ(installer().install({staged}).size(), 1);
        EXPECT_EQ(verifiedVersion(dest), QStringLiteral("2.0"));
        EXPECT_EQ(hiddenCopies(folder), QStringList{});
    }
}

TEST_F(BundleInstallerTest, TheTrashKeepsABundleABundleAndEscapesItsPath)
{
    const QString folder = plugIns(QStringLiteral("VST3"));
    QStringList trashed;
    for (int copy = 0; copy < 2; ++copy) {
        const QString item = folder + QStringLiteral("/TV Reverb.vst3");
        ASSERT_TRUE(QDir().mkpath(item + QStringLiteral("/Contents")));
        const std::optional<QString> where = FileManager::trashItem(item);
        ASSERT_TRUE(where.has_value());
        trashed.append(QFileInfo(*where).fileName());
        EXPECT_FALSE(QFileInfo::exists(item));
    }
    EXPECT_EQ(trashed, (QStringList{"TV Reverb.vst3", "TV Reverb.2.vst3"}));
    QFile info(data + QStringLiteral("/Trash/info/TV Reverb.2.vst3.trashinfo"));
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = info.readAll().split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.at(0), "[Trash Info]");
    EXPECT_EQ(lines.at(1), "Path=" + QUrl::toPercentEncoding(folder, "/") + "/TV%20Reverb.vst3");
    EXPECT_TRUE(lines.at(2).startsWith("DeletionDate="));
}

// A home Trash that cannot be used takes nothing: each item stays, the user reads why, an update keeps its old copy.
TEST_F(BundleInstallerTest, AnUnusableHomeTrashLeavesTheItemWhereItWas)
{
    const QList<InstalledItem> items = installer().install({stage(plugIn(QStringLiteral("TV Delay.vst3"), QStringLiteral("1.0"))),
                                                            stage(plugIn(QStringLiteral("TV Delay.clap"), QStringLiteral("1.0")))});
    const StagedBundle update = stage(plugIn(QStringLiteral("TV Delay.vst3"), QStringLiteral("1.1")));
    for (const QString& file : {data + QStringLiteral("/Trash"), data + QStringLiteral("/Trash/files")}) {
        SCOPED_TRACE(file.toStdString());
        ASSERT_TRUE(QDir(data).removeRecursively() && QDir().mkpath(QFileInfo(file).path()) && QFile(file).open(QIODevice::WriteOnly));
        const auto before = QList{snapshot(home), snapshot(data)};
        const QString why = TrashError::notAFolder(file).message();
        EXPECT_EQ(installer().uninstall(items),
                  (Removal{items, {}, {}, {{QStringLiteral("TV Delay.vst3"), why}, {QStringLiteral("TV Delay.clap"), why}}}));
        EXPECT_EQ(thrown<InstallError>([&] { installer().install({update}); }),
                  InstallError::placementFailed(QStringLiteral("could not move the old TV Delay.vst3 to the Trash: %1 is not a folder").arg(file)));
        EXPECT_TRUE((QList{snapshot(home), snapshot(data)}) == before);
    }
}

} // namespace
