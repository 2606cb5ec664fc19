#include "devstore/DeploymentFile.h"

#include "devstore/HubReleases.h"
#include "kit/support/AtomicFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace hub::devstore {

QString writeDeploymentFile(const QString& stateFolder, const DevstoreHosts& hosts, const DevstoreKeys& keys, quint16 port)
{
    const QString caFile = stateFolder + QStringLiteral("/ca.pem");
    AtomicFile::write(caFile, keys.tlsRootPem);
    const QJsonArray pins = QJsonArray::fromStringList(keys.tlsPins);
    const QJsonObject deployment{
        {"port", port},
        {"apiHost", hosts.api},
        {"identityHost", hosts.identity},
        {"webHost", hosts.web},
        {"assetHost", hosts.asset},
        {"downloadDomain", hosts.downloadDomain},
        {"caFile", caFile},
        {"pins", QJsonObject{{"apiHost", pins}, {"identityHost", pins}, {"webHost", pins}, {"downloadDomain", pins}}},
        {"codeSigningAnchorsPEM", QString::fromLatin1(keys.codeRootPem)},
        {"installerAnchorsPEM", QString::fromLatin1(keys.codeRootPem)},
        {"notaryKeysPEM", QString::fromLatin1(keys.notaryPublicPem)},
        {"team", keys.signer.teamID},
        {"hubReleasesKey", QString::fromLatin1(HubReleases::publicKey(keys.tokenSecret).toBase64())},
    };
    const QString path = stateFolder + QStringLiteral("/deployment.json");
    AtomicFile::write(path, QJsonDocument(deployment).toJson());
    return path;
}

} // namespace hub::devstore
