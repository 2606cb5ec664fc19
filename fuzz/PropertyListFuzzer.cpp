// Property lists, XML or binary, as bundles and signatures carry them.
#include "fuzz/FuzzSeeds.h"

#include "kit/support/PropertyList.h"
#include "tests/testkit/SigningIdentity.h"
#include "tests/testkit/TestSigner.h"

#include <QFile>
#include <QTemporaryDir>

using namespace hub;
using hub::test::BundleSpec;
using hub::test::SigningIdentity;
using hub::test::TestSigner;

QList<QByteArray> hub::fuzz::seeds()
{
    QTemporaryDir dir;
    BundleSpec xml = BundleSpec::plugIn(QStringLiteral("Xml"));
    xml.links.append(test::BundleLink{QStringLiteral("Resources/Alias.txt"), QStringLiteral("Info.txt")});
    BundleSpec binary = BundleSpec::app(QStringLiteral("Binary"));
    binary.binaryInfoPlist = true;
    const QString xmlBundle = TestSigner::build(xml, dir.path(), SigningIdentity::developerId());
    const QString binaryBundle = TestSigner::build(binary, dir.path(), SigningIdentity::developerId());
    QList<QByteArray> seeds;
    for (const QString& path : {xmlBundle + QStringLiteral("/Contents/Info.plist"),
                                xmlBundle + QStringLiteral("/Contents/_CodeSignature/CodeResources"),
                                binaryBundle + QStringLiteral("/Contents/Info.plist")}) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            seeds << file.readAll();
    }
    seeds << QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><array><array><dict><key>a</key><array/></dict>"
                        "<real>1.5</real><date>2024-01-01T00:00:00Z</date><data>AAE=</data><false/></array></array></plist>");
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PropertyList::parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
