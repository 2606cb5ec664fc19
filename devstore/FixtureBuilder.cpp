#include "devstore/FixtureBuilder.h"

#include "kit/support/AtomicFile.h"
#include "tests/testkit/DiskImageBuilder.h"
#include "tests/testkit/InstallHarness.h"
#include "tests/testkit/PackageBuilder.h"
#include "tests/testkit/TestSigner.h"
#include "tests/testkit/ZipBuilder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <stdexcept>

namespace hub::devstore {

namespace {

using test::ArchiveEntry;
using test::BundleSpec;

// Incompressible bytes, the same for the same seed, so downloads take a while when throttled.
QByteArray noise(const QString& seed, qsizetype size)
{
    QRandomGenerator generator(qHash(seed));
    QByteArray bytes(size, Qt::Uninitialized);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

QString plugInFolder(BundleSpec::Kind kind)
{
    switch (kind) {
    case BundleSpec::Kind::vst3: return QStringLiteral("/Library/Audio/Plug-Ins/VST3");
    case BundleSpec::Kind::component: return QStringLiteral("/Library/Audio/Plug-Ins/Components");
    case BundleSpec::Kind::clap: return QStringLiteral("/Library/Audio/Plug-Ins/CLAP");
    case BundleSpec::Kind::vst: return QStringLiteral("/Library/Audio/Plug-Ins/VST");
    default: return QStringLiteral("/Applications");
    }
}

QString identifierBase(const FixtureProduct& product)
{
    QString base = product.id;
    if (base.startsWith(u"tv-"))
        base = base.mid(3);
    return QStringLiteral("com.tavren.") + base.remove(u'-');
}

} // namespace

QString FixtureBuilder::etag(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        throw std::runtime_error("cannot read " + path.toStdString());
    return u'"' + QString::fromLatin1(hash.result().toHex().left(32)) + u'"';
}

FixtureBuilder::FixtureBuilder(QString stateFolder, test::SigningIdentity signer, test::TestNotary notary,
                               QString keysFingerprint)
    : folder_(std::move(stateFolder) + QStringLiteral("/fixtures")), signer_(std::move(signer)), notary_(std::move(notary)),
      fingerprint_(std::move(keysFingerprint) + QStringLiteral("/recipe-") + QString::number(recipe))
{
    QDir().mkpath(folder_);
}

QString FixtureBuilder::key(const FixtureProduct& product, const FixtureArtifact& artifact, const QString& version)
{
    return product.id + u'-' + version + u'-' + artifact.keyPart();
}

BuiltArtifact FixtureBuilder::artifact(const FixtureProduct& product, const FixtureArtifact& artifact,
                                       const QString& version) const
{
    BuiltArtifact built;
    built.key = key(product, artifact, version);
    built.platform = artifact.platform;
    built.name = QString(product.name).replace(u' ', u'-') + u'-' + version + u'.' + artifact.extension();
    const QString dir = folder_ + u'/' + built.key;
    built.path = dir + u'/' + built.name;

    // The marker names the signer and the ETag; without it the folder is built again.
    const QString marker = dir + QStringLiteral("/built");
    QFile markerFile(marker);
    if (markerFile.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = markerFile.readAll().split('\n');
        if (lines.size() >= 2 && lines[0] == fingerprint_.toLatin1() && QFileInfo(built.path).isFile()) {
            built.etag = QString::fromLatin1(lines[1]);
            built.size = QFileInfo(built.path).size();
            return built;
        }
    }

    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    QTemporaryDir scratch(folder_ + QStringLiteral("/.scratch-XXXXXX"));
    if (!scratch.isValid())
        throw std::runtime_error("cannot make a scratch folder in " + folder_.toStdString());
    build(product, artifact, version, built.path, scratch.path());
    built.etag = etag(built.path);
    built.size = QFileInfo(built.path).size();
    AtomicFile::write(marker, fingerprint_.toLatin1() + '\n' + built.etag.toLatin1() + '\n');
    return built;
}

void FixtureBuilder::build(const FixtureProduct& product, const FixtureArtifact& artifact, const QString& version,
                           const QString& file, const QString& scratch) const
{
    if (artifact.bundles.isEmpty()) {
        // Downloads for other platforms: anything will do, the hub never opens them.
        test::ZipBuilder zip(file);
        zip.add(ArchiveEntry::file("README.txt", (product.name + QStringLiteral(" for ") + artifact.platform + u'\n').toUtf8()));
        zip.finish();
        return;
    }

    const QString bundles = scratch + QStringLiteral("/bundles");
    QDir().mkpath(bundles);
    QList<QString> built;
    for (qsizetype i = 0; i < artifact.bundles.size(); ++i) {
        const BundleSpec::Kind kind = artifact.bundles[i];
        BundleSpec spec = kind == BundleSpec::Kind::app ? BundleSpec::app(product.name) : BundleSpec::plugIn(product.name, kind);
        spec.identifier = identifierBase(product) + u'.' + test::extension(kind);
        spec.shortVersion = version;
        spec.version = version;
        spec.resources.insert(QStringLiteral("Presets.bin"), noise(product.id + test::extension(kind), 256 * 1024));
        const QString path = test::TestSigner::build(spec, bundles, signer_);
        if (artifact.unsignedBundle && i == 0)
            test::TestSigner::stripSignature(path);
        else if (kind == BundleSpec::Kind::app)
            test::TestSigner::stapleTicket(path, notary_);
        built << path;
    }

    QList<ArchiveEntry> entries;
    for (const QString& path : built)
        entries << test::InstallHarness::entriesOf(path, QFileInfo(path).fileName().toUtf8());
    switch (artifact.container) {
    case FixtureArtifact::Container::zip: {
        test::ZipBuilder zip(file);
        zip.add(entries);
        zip.finish();
        break;
    }
    case FixtureArtifact::Container::dmg:
        test::DiskImageBuilder().add(entries).write(file, scratch + QStringLiteral("/image"));
        break;
    case FixtureArtifact::Container::pkg: {
        test::PackageBuilder package;
        for (const QString& path : built) {
            const QFileInfo info(path);
            const auto kind = artifact.bundles[built.indexOf(path)];
            test::PackageComponent component;
            component.folder = (QString(product.name).remove(u' ') + u'-' + test::extension(kind) + QStringLiteral(".pkg")).toUtf8();
            // The first bundle's own path as the location (the payload is its inside); the
            // others' folder, so the bundle is found in the payload.
            if (built.indexOf(path) == 0) {
                component.installLocation = (plugInFolder(kind) + u'/' + info.fileName()).toUtf8();
                component.payload = test::InstallHarness::entriesOf(path, ".").mid(1); // without "." itself
            } else {
                component.installLocation = plugInFolder(kind).toUtf8();
                component.payload = test::InstallHarness::entriesOf(path, info.fileName().toUtf8());
            }
            component.installKBytes = 1024;
            package.add(component);
        }
        if (artifact.scripts) {
            test::PackageComponent support;
            support.folder = (QString(product.name).remove(u' ') + QStringLiteral("-Support.pkg")).toUtf8();
            support.payload.reset();
            support.scripts = QList<ArchiveEntry>{ArchiveEntry::file("postinstall", "#!/bin/sh\nexit 0\n", 0755)};
            package.add(support);
        }
        package.write(file);
        break;
    }
    }
}

} // namespace hub::devstore
