#pragma once

#include <QString>
#include <QStringList>

namespace hub::devstore {

// The host names the devstore plays, one per role of the deployment.
struct DevstoreHosts {
    QString api = QStringLiteral("store.devstore.test");
    QString identity = QStringLiteral("id.tavren.test");
    QString web = QStringLiteral("www.tavren.test");
    QString asset = QStringLiteral("assets.devstore.test");
    QString downloadDomain = QStringLiteral("storage.devstore.test");
    QString files = QStringLiteral("files.storage.devstore.test"); // where download links point

    // Every name the server certificate must carry.
    QStringList all() const { return {api, identity, web, asset, files}; }
};

} // namespace hub::devstore
