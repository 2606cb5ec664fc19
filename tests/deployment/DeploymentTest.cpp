#include "kit/deployment/Deployment.h"
#include "tests/testkit/CertificateFactory.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hub;

namespace {

QJsonObject complete()
{
    const QJsonArray pins{"AAAA", "BBBB"};
    return {{"port", 4443},
            {"apiHost", "Store.Devstore.Test"},
            {"identityHost", "id.tavren.test"},
            {"webHost", "www.tavren.test"},
            {"assetHost", "assets.devstore.test"},
            {"downloadDomain", "storage.devstore.test"},
            {"caFile", "ca.pem"},
            {"pins", QJsonObject{{"apiHost", pins}, {"identityHost", pins}, {"webHost", pins}, {"downloadDomain", QJsonArray{"CCCC"}}}},
            {"codeSigningAnchorsPEM", "anchors"},
            {"notaryKeysPEM", "notary"}};
}

TEST(Deployment, ReadsADeploymentFileAndRefusesAnIncompleteOne)
{
    QTemporaryDir folder;
    const QByteArray ca = CertificateFactory::root(QStringLiteral("Demo Root")).pem();
    QFile file(folder.filePath(QStringLiteral("ca.pem")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(ca);
    file.close();

    const Deployment read = Deployment::fromJson(QJsonDocument(complete()).toJson(), folder.path());
    EXPECT_EQ(read.apiHost, QStringLiteral("store.devstore.test"));
    EXPECT_EQ(read.downloadDomain, QStringLiteral("storage.devstore.test"));
    EXPECT_EQ(read.apiPins, QSet<QString>({"AAAA", "BBBB"}));
    EXPECT_EQ(read.downloadPins, QSet<QString>({"CCCC"}));
    EXPECT_EQ(read.loopbackPort, 4443);
    EXPECT_EQ(read.extraRootsPEM, ca);
    EXPECT_EQ(read.codeSigningAnchorsPEM, "anchors");
    EXPECT_EQ(read.notaryKeysPEM, "notary");
    EXPECT_EQ(read.hubReleasesFeed, QStringLiteral("https://www.tavren.test/hub/releases.json"));
    EXPECT_TRUE(read.hubReleasesKey.isEmpty());

    const QList<std::pair<const char*, QJsonValue>> broken{
        {"apiHost", QJsonValue()},        {"webHost", ""},       {"port", 0},         {"port", 70000},
        {"port", "4443"},                 {"caFile", "missing.pem"}, {"pins", QJsonObject{}},
        {"downloadDomain", QJsonValue()}, {"hubReleasesKey", "not*base64"},
    };
    for (const auto& [key, value] : broken) {
        SCOPED_TRACE(key);
        QJsonObject object = complete();
        if (value.isNull())
            object.remove(QLatin1String(key));
        else
            object.insert(QLatin1String(key), value);
        EXPECT_THROW(Deployment::fromJson(QJsonDocument(object).toJson(), folder.path()), std::runtime_error);
    }
    EXPECT_THROW(Deployment::fromJson("[1]", folder.path()), std::runtime_error);
}

TEST(Deployment, TheBuiltInValuesReachNoLoopbackAndTrustNoExtraRoot)
{
    const Deployment builtIn = Deployment::builtIn();
    EXPECT_EQ(builtIn.loopbackPort, 0);
    EXPECT_TRUE(builtIn.extraRootsPEM.isEmpty());
    EXPECT_EQ(builtIn.webPins, builtIn.identityPins);
    EXPECT_TRUE(builtIn.downloadPins.contains(builtIn.identityPins));
    // Without a deployment file every build runs on the compiled-in values.
    if (qEnvironmentVariableIsEmpty("TAVREN_HUB_DEPLOYMENT")) {
        EXPECT_EQ(Deployment::current(), builtIn);
    }
}

} // namespace
