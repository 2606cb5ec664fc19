#include "devstore/DeploymentFile.h"

#include "devstore/HubReleases.h"
#include "kit/support/AtomicFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

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

    // The checkout web view does not use the hub's transport: its engine is told where the
    // hosts are and which keys to accept, one command-line argument a line.
    QStringList rules;
    for (const QString& host : hosts.all())
        rules << QStringLiteral("MAP %1 127.0.0.1:%2").arg(host).arg(port);
    const QString arguments = QStringLiteral("--host-resolver-rules=%1\n--ignore-certificate-errors-spki-list=%2\n")
                                      .arg(rules.join(QStringLiteral(", ")), keys.tlsPins.join(u','));
    AtomicFile::write(stateFolder + QStringLiteral("/webengine.args"), arguments.toUtf8());
    return path;
}

} // namespace hub::devstore
