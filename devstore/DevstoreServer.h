#pragma once

#include "devstore/ControlApi.h"
#include "devstore/DevstoreHosts.h"
#include "devstore/DevstoreKeys.h"
#include "devstore/DownloadHost.h"
#include "devstore/FixtureBuilder.h"
#include "devstore/HubReleases.h"
#include "devstore/IdentityService.h"
#include "devstore/LiveCatalog.h"
#include "devstore/ReviewBook.h"
#include "devstore/StoreApi.h"
#include "devstore/StoreDirectory.h"
#include "devstore/WebHost.h"

#include <QAbstractHttpServer>
#include <chrono>

namespace hub::devstore {

// Every service on one loopback TLS port, told apart by the Host header; the one server
// certificate names every host. Each request is logged on one line.
class DevstoreServer : public QAbstractHttpServer {
    Q_OBJECT
public:
    struct Options {
        QString state;
        quint16 port = 0;
        qint64 throttleKbps = 0;
        std::chrono::seconds accessLifetime{300};
        int screenshots = 0; // see WebHost
    };

    // Loads or makes the keys and builds the fixtures. Throws std::runtime_error.
    explicit DevstoreServer(const Options& options);

    // Listens on 127.0.0.1 and writes the deployment file; returns the port (0 on failure).
    quint16 start();

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    std::pair<int, qint64> dispatch(const DevstoreRequest& request, QTcpSocket* socket);

    Options options_;
    DevstoreHosts hosts_;
    DevstoreKeys keys_;
    FixtureBuilder builder_;
    LiveCatalog catalog_;
    DownloadHost downloads_;
    StoreDirectory directory_;
    ReviewBook reviews_;
    StoreApi store_;
    IdentityService identity_;
    WebHost web_;
    HubReleases releases_;
    ControlApi control_;
};

} // namespace hub::devstore
