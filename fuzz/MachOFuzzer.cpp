// A single Mach-O file (thin or fat) through the whole signature check: slices, load commands, the
// superblob, code directories, CMS and the chain.
#include "fuzz/FuzzSeeds.h"
#include "fuzz/InputFile.h"

#include "kit/codesign/NativeCodeSigning.h"
#include "kit/security/CodeVerifier.h"
#include "tests/testkit/TestSigner.h"

using namespace hub;
using hub::test::Architecture;
using hub::test::Digests;
using hub::test::SigningIdentity;
using hub::test::TestSigner;

QList<QByteArray> hub::fuzz::seeds()
{
    const QByteArray thin = TestSigner::machO({Architecture::arm64}, QStringLiteral("fuzz"), 3000);
    const QByteArray fat = TestSigner::machO({Architecture::x86_64, Architecture::arm64}, QStringLiteral("fuzz"), 2000);
    test::SignatureOptions both;
    both.digests = Digests::sha1AndSha256;
    const QString id = QStringLiteral("com.tavren.fuzz");
    return {
        thin,
        TestSigner::signMachO(thin, id, SigningIdentity::developerId()),
        TestSigner::signMachO(thin, id, SigningIdentity::adHoc()),
        TestSigner::signMachO(fat, id, SigningIdentity::developerId(), both),
        TestSigner::signMachO(fat, id, SigningIdentity::adHoc(), both),
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fuzz::InputFile input(QStringLiteral("code"));
    static const NativeCodeSigning service(test::anchors());
    const QString& path = input.write(data, size);
    if (const auto code = service.createStaticCode(path)) {
        service.checkValidity(*code, CodeVerifier::bundleFlags, nullptr);
        service.copySigningInformation(*code, CodeSigningService::signingInformationFlag);
    }
    return 0;
}
