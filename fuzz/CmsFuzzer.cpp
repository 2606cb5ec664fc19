// The CMS signature over a code directory: DER, signer, digests, signed attributes, timestamp, chain.
#include "fuzz/FuzzSeeds.h"

#include "kit/codesign/CodeSignatureFault.h"
#include "kit/codesign/EmbeddedSignature.h"
#include "kit/codesign/SignatureTrust.h"
#include "tests/testkit/MachOImage.h"
#include "tests/testkit/TestSigner.h"

using namespace hub;
using hub::test::Architecture;
using hub::test::MachOImage;
using hub::test::SigningIdentity;
using hub::test::TestSigner;

namespace {

// The signature of one small executable; its code directory is the same in every process.
EmbeddedSignature signedExample()
{
    const QByteArray image = TestSigner::signMachO(TestSigner::machO({Architecture::arm64}, QStringLiteral("cms"), 1000),
                                                   QStringLiteral("com.tavren.cms"), SigningIdentity::developerId());
    const QByteArray blob = MachOImage::signature(image);
    return EmbeddedSignature::parse(reinterpret_cast<const unsigned char*>(blob.constData()), size_t(blob.size()));
}

} // namespace

QList<QByteArray> hub::fuzz::seeds()
{
    return {signedExample().cms};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QByteArray directory = signedExample().codeDirectories.first().blob();
    static const SignatureTrust trust(test::anchors(), {});
    try {
        trust.verify(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), directory);
    } catch (const CodeSignatureFault&) {
    }
    return 0;
}
