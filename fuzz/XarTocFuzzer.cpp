// A xar package's header, table of contents, checksums and signature, the way pkgutil
// checks them before it gives its verdict.
#include "fuzz/FuzzSeeds.h"
#include "fuzz/InputFile.h"

#include "tests/testkit/CertificateFactory.h"
#include "tests/testkit/PackageBuilder.h"
#include "tools/pkgutil/XarSignatureCheck.h"

#include <QFile>

using namespace hub;
using hub::test::ArchiveEntry;
using hub::test::PackageBuilder;
using hub::test::PackageComponent;

QList<QByteArray> hub::fuzz::seeds()
{
    PackageComponent component;
    component.folder = "Synth.pkg";
    component.payload = ArchiveEntry::bundle("Synth.vst3");
    component.installKBytes = 12;
    const auto root = CertificateFactory::root(QStringLiteral("Fuzz Installer Root"));
    CertificateFactory::Options leafOptions;
    leafOptions.key = CertificateFactory::Key::rsa2048;
    const auto leaf = CertificateFactory::leaf(root, QStringLiteral("Developer ID Installer: Fuzz (FUZZ000000)"), leafOptions);
    test::PackageSigning signing{leaf.privateKeyPem(), {leaf.der(), root.der()}};
    test::PackageSigning strong = signing;
    strong.checksumStyle = "sha256";
    return {
        PackageBuilder().add(component).bytes(),
        PackageBuilder().add(component).sign(signing).bytes(),
        PackageBuilder().add(component).add(PackageComponent{}).sign(strong).bytes(),
        PackageBuilder().addEntry(ArchiveEntry::file("Distribution", "<x/>")).bytes(),
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fuzz::InputFile input(QStringLiteral("package.pkg"));
    const std::filesystem::path package(QFile::encodeName(input.write(data, size)).toStdString());
    const auto check = tools::XarSignatureCheck::run(package, {});
    check.verdict();
    check.report("package.pkg");
    return 0;
}
