// A disk image through its trailer and the signature the trailer points at.
#include "fuzz/FuzzSeeds.h"
#include "fuzz/InputFile.h"

#include "kit/codesign/DiskImageTrailer.h"
#include "kit/codesign/NativeCodeSigning.h"
#include "tests/testkit/TestSigner.h"

#include <QTemporaryDir>

using namespace hub;
using hub::test::SigningIdentity;
using hub::test::TestSigner;

QList<QByteArray> hub::fuzz::seeds()
{
    QTemporaryDir dir;
    const QString unsignedImage = dir.filePath(QStringLiteral("unsigned.dmg"));
    const QString signedImage = dir.filePath(QStringLiteral("signed.dmg"));
    const QString adHocImage = dir.filePath(QStringLiteral("adhoc.dmg"));
    TestSigner::writeMinimalDiskImage(unsignedImage, QByteArray(700, 'u'));
    TestSigner::writeMinimalDiskImage(signedImage, QByteArray(900, 's'));
    TestSigner::signDiskImage(signedImage, SigningIdentity::developerId());
    TestSigner::writeMinimalDiskImage(adHocImage, QByteArray(100, 'a'));
    TestSigner::signDiskImage(adHocImage, SigningIdentity::adHoc());
    QList<QByteArray> seeds;
    for (const QString& path : {unsignedImage, signedImage, adHocImage}) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            seeds << file.readAll();
    }
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fuzz::InputFile input(QStringLiteral("image.dmg"));
    static const NativeCodeSigning service(test::anchors());
    if (const auto trailer = DiskImageTrailer::read(data, size))
        trailer->headerWithoutSignature();
    if (const auto code = service.createStaticCode(input.write(data, size))) {
        service.checkValidity(*code, CodeSigningService::enforceRevocationChecks, nullptr);
        service.copySigningInformation(*code, CodeSigningService::signingInformationFlag);
    }
    return 0;
}
