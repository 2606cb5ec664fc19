// The embedded signature superblob on its own: the index, every code directory and its slots.
#include "fuzz/FuzzSeeds.h"

#include "kit/codesign/CodeBytes.h"
#include "kit/codesign/CodeSignatureFault.h"
#include "kit/codesign/EmbeddedSignature.h"
#include "kit/security/CodeSigningService.h"
#include "tests/testkit/MachOImage.h"
#include "tests/testkit/TestSigner.h"

using namespace hub;
using hub::test::Architecture;
using hub::test::Digests;
using hub::test::MachOImage;
using hub::test::SigningIdentity;
using hub::test::TestSigner;

QList<QByteArray> hub::fuzz::seeds()
{
    const QByteArray thin = TestSigner::machO({Architecture::x86_64}, QStringLiteral("blob"), 1500);
    test::SignatureOptions both;
    both.digests = Digests::sha1AndSha256;
    both.entitlements = QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key><true/></dict></plist>");
    QList<QByteArray> seeds;
    for (const QByteArray& image : {TestSigner::signMachO(thin, QStringLiteral("com.tavren.blob"), SigningIdentity::developerId()),
                                    TestSigner::signMachO(thin, QStringLiteral("com.tavren.blob"), SigningIdentity::adHoc(), both)})
        seeds << MachOImage::signature(image);
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const EmbeddedSignature signature = EmbeddedSignature::parse(data, size);
        for (const CodeDirectory& directory : signature.codeDirectories) {
            directory.cdhash();
            try {
                const size_t length = size_t(std::min<uint64_t>(size, directory.codeLimit()));
                directory.verifyCode(CodeBytes(data, length, CodeSigningService::errSignatureFailed), 0, length, QStringLiteral("code"));
            } catch (const CodeSignatureFault&) {
            }
            for (int slot = CodeDirectory::infoSlot; slot <= CodeDirectory::derEntitlementsSlot; ++slot) {
                try {
                    directory.verifySpecialSlot(slot, signature.requirements, CodeSigningService::errSignatureFailed,
                                                QStringLiteral("slot"));
                } catch (const CodeSignatureFault&) {
                }
            }
        }
    } catch (const CodeSignatureFault&) {
    }
    return 0;
}
