#include "kit/deployment/Deployment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <stdexcept>

namespace hub {

namespace {

template<typename List>
QSet<QString> pinSet(const List& list)
{
    QSet<QString> set;
    for (const char* hash : list)
        set.insert(QString::fromLatin1(hash));
    return set;
}

[[noreturn]] void malformed(const QString& what)
{
    throw std::runtime_error(("the deployment file's " + what + " is missing or malformed").toStdString());
}

QString host(const QJsonObject& object, const char* key)
{
    const QString value = object.value(QLatin1String(key)).toString().toLower();
    if (value.isEmpty())
        malformed(QString::fromLatin1(key));
    return value;
}

QSet<QString> pins(const QJsonObject& object, const char* role)
{
    const QJsonArray list = object.value(QLatin1String("pins")).toObject().value(QLatin1String(role)).toArray();
    QSet<QString> set;
    for (const QJsonValue& pin : list) {
        if (!pin.isString() || pin.toString().isEmpty())
            malformed(QStringLiteral("pins.") + QLatin1String(role));
        set.insert(pin.toString());
    }
    if (set.isEmpty())
        malformed(QStringLiteral("pins.") + QLatin1String(role));
    return set;
}

} // namespace

Deployment Deployment::builtIn()
{
    Deployment values;
    values.apiHost = QString::fromLatin1(deployment::storeApiHost);
    values.identityHost = QString::fromLatin1(deployment::identityApiHost);
    values.webHost = QString::fromLatin1(deployment::webDomain);
    values.assetHost = QString::fromLatin1(deployment::storeAssetHost);
    values.downloadDomain = QString::fromLatin1(deployment::objectStorageDomain);
    values.apiPins = pinSet(deployment::amazonRootPins);
    values.identityPins = pinSet(deployment::letsEncryptRootPins);
    values.webPins = values.identityPins;
    values.downloadPins = pinSet(deployment::cloudflareOwnRootPins) + values.identityPins;
    values.codeSigningAnchorsPEM = deployment::codeSigningAnchorsPEM;
    values.notaryKeysPEM = deployment::notaryKeysPEM;
    values.hubReleasesFeed = QString::fromLatin1(deployment::hubReleasesFeed);
    values.hubReleasesKey = QByteArray::fromBase64(deployment::hubReleasesKey);
    return values;
}

Deployment Deployment::fromJson(const QByteArray& json, const QString& folder)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (!document.isObject())
        throw std::runtime_error("the deployment file is not a JSON object: " + error.errorString().toStdString());
    const QJsonObject object = document.object();

    Deployment values;
    values.apiHost = host(object, "apiHost");
    values.identityHost = host(object, "identityHost");
    values.webHost = host(object, "webHost");
    values.assetHost = host(object, "assetHost");
    values.downloadDomain = host(object, "downloadDomain");
    values.apiPins = pins(object, "apiHost");
    values.identityPins = pins(object, "identityHost");
    values.webPins = pins(object, "webHost");
    values.downloadPins = pins(object, "downloadDomain");
    values.codeSigningAnchorsPEM = object.value(QLatin1String("codeSigningAnchorsPEM")).toString().toUtf8();
    values.installerAnchorsPEM = object.value(QLatin1String("installerAnchorsPEM")).toString().toUtf8();
    values.notaryKeysPEM = object.value(QLatin1String("notaryKeysPEM")).toString().toUtf8();

    values.hubReleasesFeed = object.value(QLatin1String("hubReleasesFeed"))
                                 .toString(QStringLiteral("https://") + values.webHost + QStringLiteral("/hub/releases.json"));
    const auto key = QByteArray::fromBase64Encoding(object.value(QLatin1String("hubReleasesKey")).toString().toLatin1(),
                                                    QByteArray::AbortOnBase64DecodingErrors);
    if (!key)
        malformed(QStringLiteral("hubReleasesKey"));
    values.hubReleasesKey = *key;

    const int port = object.value(QLatin1String("port")).toInt(-1);
    if (port <= 0 || port > 65535)
        malformed(QStringLiteral("port"));
    values.loopbackPort = quint16(port);

    const QString caFile = object.value(QLatin1String("caFile")).toString();
    QFile ca(QDir(folder).absoluteFilePath(caFile));
    if (caFile.isEmpty() || !ca.open(QIODevice::ReadOnly))
        malformed(QStringLiteral("caFile"));
    values.extraRootsPEM = ca.readAll();
    return values;
}

bool Deployment::readsDeploymentFile()
{
#ifdef HUB_DEMO_DEPLOYMENT
    return true;
#else
    return false;
#endif
}

const Deployment& Deployment::current()
{
    // Kept to the end of the process (never destroyed), as are the other shared kit
    // values: a thread still working during exit may read them.
    static const Deployment& values = *new Deployment([] {
#ifdef HUB_DEMO_DEPLOYMENT
        const QString path = qEnvironmentVariable("TAVREN_HUB_DEPLOYMENT");
        if (!path.isEmpty()) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                throw std::runtime_error("the deployment file " + path.toStdString() + " cannot be read");
            return fromJson(file.readAll(), QFileInfo(path).absolutePath());
        }
#endif
        return builtIn();
    }());
    return values;
}

} // namespace hub
