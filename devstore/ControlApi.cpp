#include "devstore/ControlApi.h"

#include "devstore/Console.h"
#include "devstore/FixtureCatalog.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

namespace hub::devstore {

ControlApi::ControlApi(LiveCatalog& catalog, StoreApi& store, IdentityService& identity, DownloadHost& downloads,
                       QString stateFolder)
    : catalog_(catalog), store_(store), identity_(identity), downloads_(downloads), stateFolder_(std::move(stateFolder))
{
}

DevstoreReply ControlApi::handle(const DevstoreRequest& request)
{
    const QJsonObject body = request.jsonBody();
    if (request.is("POST", {u"__devstore", u"publish"})) {
        const QString product = body.value("product").toString();
        const QString version = body.value("version").toString();
        if (!FixtureCatalog::find(product) || version.isEmpty())
            return DevstoreReply::problem(422, QStringLiteral("Publish"), QStringLiteral("Name a fixture product and a version."));
        try {
            catalog_.publish(product, version);
        } catch (const std::exception& error) {
            return DevstoreReply::problem(500, QStringLiteral("Publish"), QString::fromLocal8Bit(error.what()));
        }
        say(QStringLiteral("published %1 %2").arg(product, version));
        QJsonArray keys;
        for (const BuiltArtifact& artifact : catalog_.artifacts(product))
            keys.append(artifact.key);
        return DevstoreReply::json({{"product", product}, {"version", version}, {"keys", keys}});
    }
    if (request.is("POST", {u"__devstore", u"orders", u"*"})) {
        const QString status = body.value("status").toString();
        if (status.isEmpty() || !store_.setOrderStatus(request.segments[2], status))
            return DevstoreReply::problem(404, QStringLiteral("Order"));
        return DevstoreReply::json(*store_.order(request.segments[2]));
    }
    if (request.is("GET", {u"__devstore", u"code"})) {
        const std::optional<QString> code = identity_.code(request.queryValue(QStringLiteral("email")).value_or(QString()));
        return code ? DevstoreReply::json({{"code", *code}}) : DevstoreReply::problem(404, QStringLiteral("Code"));
    }
    if (request.is("POST", {u"__devstore", u"download-fault"})) {
        const std::optional<DownloadFault> fault = downloadFaultFromString(body.value("fault").toString());
        if (!fault)
            return DevstoreReply::problem(422, QStringLiteral("Fault"), QStringLiteral("Unknown fault."));
        downloads_.setFault(*fault);
        return DevstoreReply::json({{"fault", toString(*fault)}});
    }
    if (request.is("POST", {u"__devstore", u"legacy-browser-sign-in"})) {
        identity_.setLegacyBrowserSignIn(body.value("enabled").toBool());
        return DevstoreReply::json({{"enabled", body.value("enabled").toBool()}});
    }
    if (request.is("POST", {u"__devstore", u"files"})) {
        // Only files of the state folder, so the control port never reads the rest of the disk.
        const QString relative = body.value("path").toString();
        const QString name = body.value("name").toString();
        const QString path = QDir(stateFolder_).absoluteFilePath(relative);
        if (relative.isEmpty() || QDir::isAbsolutePath(relative) || relative.split(u'/').contains(QStringLiteral(".."))
            || name.isEmpty() || name.contains(u'/') || !QFileInfo(path).isFile())
            return DevstoreReply::problem(422, QStringLiteral("Files"), QStringLiteral("Name a file below the state folder."));
        BuiltArtifact artifact;
        artifact.key = QStringLiteral("file-") + QString(relative).replace(u'/', u'-');
        artifact.name = name;
        artifact.platform = QStringLiteral("Mac");
        artifact.path = path;
        artifact.size = QFileInfo(path).size();
        artifact.etag = FixtureBuilder::etag(path);
        catalog_.addFile(artifact);
        return DevstoreReply::json({{"key", artifact.key}, {"size", artifact.size}, {"location", downloads_.signedUrl(artifact)}});
    }
    return DevstoreReply::problem(404, QStringLiteral("Control"));
}

} // namespace hub::devstore
