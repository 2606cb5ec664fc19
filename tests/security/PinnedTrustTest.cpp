#include "kit/deployment/Deployment.h"
#include "kit/security/PinnedTrust.h"
#include "tests/testkit/CertificateFactory.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace hub;

namespace {

const QSet<QString> exactSet{QStringLiteral("exact")};
const QSet<QString> suffixSet{QStringLiteral("suffix")};

const PinnedTrust table{
    {{QStringLiteral("api.store.test"), exactSet}, {QStringLiteral("bucket.objects.test"), exactSet}},
    {{QStringLiteral("objects.test"), suffixSet}},
};

} // namespace

TEST(PinnedTrust, LooksUpExactHostsFirstThenSuffixDomains)
{
    EXPECT_EQ(table.pinned(QStringLiteral("api.store.test")), exactSet);
    EXPECT_EQ(table.pinned(QStringLiteral("API.Store.TEST")), exactSet);
    EXPECT_EQ(table.pinned(QStringLiteral("bucket.objects.test")), exactSet); // exact wins over the suffix
    EXPECT_EQ(table.pinned(QStringLiteral("other.objects.test")), suffixSet);
    EXPECT_EQ(table.pinned(QStringLiteral("a.b.OBJECTS.test")), suffixSet);
    EXPECT_EQ(table.pinned(QStringLiteral("objects.test")), std::nullopt); // the domain itself
    EXPECT_EQ(table.pinned(QStringLiteral("badobjects.test")), std::nullopt);
    EXPECT_EQ(table.pinned(QStringLiteral("store.test")), std::nullopt);
}

TEST(PinnedTrust, SpkiHashIsTheKeyPinForTheFourKnownKeysOnly)
{
    using Key = CertificateFactory::Key;
    const IssuedCertificate ca = CertificateFactory::root(QStringLiteral("CA"));
    for (Key key : {Key::rsa2048, Key::rsa4096, Key::p256, Key::p384}) {
        const IssuedCertificate certificate = CertificateFactory::leaf(ca, QStringLiteral("leaf"), {.key = key});
        EXPECT_EQ(PinnedTrust::spkiHash(certificate.der()), certificate.spkiPin()) << int(key);
    }
    const IssuedCertificate rsa3072 = CertificateFactory::leaf(ca, QStringLiteral("leaf"), {.key = Key::rsa3072});
    EXPECT_EQ(PinnedTrust::spkiHash(rsa3072.der()), std::nullopt);
    EXPECT_EQ(PinnedTrust::spkiHash(QByteArray("not a certificate")), std::nullopt);

    EXPECT_EQ(PinnedTrust::spkiHeader(QString::fromLatin1(PinnedTrust::keyTypeRSA), 3072), std::nullopt);
    EXPECT_EQ(PinnedTrust::spkiHeader(QString::fromLatin1(PinnedTrust::keyTypeEC), 521), std::nullopt);
    EXPECT_EQ(PinnedTrust::spkiHeader(QString::fromLatin1(PinnedTrust::keyTypeEC), 384)->size(), 23);
}

TEST(PinnedTrust, BuiltInSetsAreTheKeysOfDebiansRoots)
{
    const QString folder = QStringLiteral("/usr/share/ca-certificates/mozilla/");
    const auto hashesOf = [&](const QStringList& files) {
        QSet<QString> hashes;
        for (const QString& name : files) {
            QFile file(folder + name);
            EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
            const QByteArray pem = file.readAll();
            const QByteArray base64 = pem.mid(pem.indexOf('\n') + 1, pem.indexOf("-----END") - pem.indexOf('\n') - 1);
            hashes.insert(PinnedTrust::spkiHash(QByteArray::fromBase64(base64)).value_or(QString()));
        }
        return hashes;
    };
    const QSet<QString> amazon = hashesOf({"Amazon_Root_CA_1.crt", "Amazon_Root_CA_2.crt", "Amazon_Root_CA_3.crt",
                                           "Amazon_Root_CA_4.crt", "Starfield_Services_Root_Certificate_Authority_-_G2.crt"});
    const QSet<QString> letsEncrypt = hashesOf({"ISRG_Root_X1.crt", "ISRG_Root_X2.crt"});
    const QSet<QString> cloudflare = hashesOf({"GTS_Root_R1.crt", "GTS_Root_R2.crt", "GTS_Root_R3.crt", "GTS_Root_R4.crt",
                                               "GlobalSign_Root_CA.crt", "SSL.com_Root_Certification_Authority_RSA.crt",
                                               "SSL.com_Root_Certification_Authority_ECC.crt"});
    EXPECT_EQ(PinnedTrust::amazonRoots(), amazon);
    EXPECT_EQ(PinnedTrust::letsEncryptRoots(), letsEncrypt);
    EXPECT_EQ(PinnedTrust::cloudflareRoots(), cloudflare + letsEncrypt);
    EXPECT_EQ(PinnedTrust::cloudflareRoots().size(), 9);

    const PinnedTrust& tavren = PinnedTrust::tavren();
    EXPECT_EQ(tavren.pinned(QString::fromLatin1(deployment::storeApiHost)), amazon);
    EXPECT_EQ(tavren.pinned(QString::fromLatin1(deployment::identityApiHost)), letsEncrypt);
    EXPECT_EQ(tavren.pinned(QString::fromLatin1(deployment::webDomain)), letsEncrypt);
    EXPECT_EQ(tavren.pinned(QStringLiteral("bucket.") + QString::fromLatin1(deployment::objectStorageDomain)),
              cloudflare + letsEncrypt);
    EXPECT_EQ(tavren.pinned(QString::fromLatin1(deployment::objectStorageDomain)), std::nullopt);
}

TEST(PinnedTrust, AcceptsOnlyAnEvaluatedChainWithAPinnedKey)
{
    const auto chain = CertificateFactory::chain(QStringLiteral("api.store.test"));
    const auto roots = TrustStore::fromPem(chain.root.pem());
    const ServerTrust presented({chain.leaf.der(), chain.intermediate.der()}, roots);
    const auto trustWith = [](const QString& pin) {
        return PinnedTrust{{{QStringLiteral("api.store.test"), {pin}}}, {}};
    };

    EXPECT_TRUE(trustWith(chain.root.spkiPin()).accepts(presented, QStringLiteral("api.store.test")));
    EXPECT_TRUE(trustWith(chain.intermediate.spkiPin()).accepts(presented, QStringLiteral("API.store.test")));
    EXPECT_TRUE(trustWith(chain.leaf.spkiPin()).accepts(presented, QStringLiteral("api.store.test")));
    EXPECT_FALSE(trustWith(QStringLiteral("other")).accepts(presented, QStringLiteral("api.store.test")));
    // The host has no pins, and a pinned host is not the certificate's.
    EXPECT_FALSE(trustWith(chain.root.spkiPin()).accepts(presented, QStringLiteral("other.test")));
    const PinnedTrust otherHost{{{QStringLiteral("other.test"), {chain.root.spkiPin()}}}, {}};
    EXPECT_FALSE(otherHost.accepts(presented, QStringLiteral("other.test")));
    // Without the root in the store the chain does not evaluate.
    const ServerTrust systemRoots({chain.leaf.der(), chain.intermediate.der()});
    EXPECT_FALSE(trustWith(chain.intermediate.spkiPin()).accepts(systemRoots, QStringLiteral("api.store.test")));
    // Evaluation hands back the chain up to the root from the store.
    EXPECT_EQ(presented.evaluate(QStringLiteral("api.store.test")),
              (QList<QByteArray>{chain.leaf.der(), chain.intermediate.der(), chain.root.der()}));
}
