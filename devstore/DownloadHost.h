#pragma once

#include "devstore/BuiltArtifact.h"
#include "devstore/DevstoreHosts.h"
#include "devstore/DevstoreRequest.h"
#include "devstore/DownloadFault.h"
#include "devstore/LiveCatalog.h"

#include <QByteArray>
#include <QTcpSocket>
#include <chrono>
#include <utility>

namespace hub::devstore {

// The object storage: signed links to the fixture files that expire after ten minutes,
// whole files or byte ranges (Range, If-Range against a strong ETag, 416), an optional
// rate limit and the faults the tests ask for.
class DownloadHost {
public:
    DownloadHost(const LiveCatalog& catalog, DevstoreHosts hosts, QByteArray secret, qint64 throttleKbps);

    static constexpr std::chrono::minutes linkLifetime{10};

    QString signedUrl(const BuiltArtifact& artifact) const;
    // Answers on the socket (a body may still be streaming when this returns); gives the
    // status and the body length announced, for the log.
    std::pair<int, qint64> serve(const DevstoreRequest& request, QTcpSocket* socket) const;

    void setFault(DownloadFault fault) { fault_ = fault; }
    DownloadFault fault() const { return fault_; }

private:
    QString signature(const QString& key, qint64 expires) const;

    const LiveCatalog& catalog_;
    DevstoreHosts hosts_;
    QByteArray secret_;
    qint64 bytesPerSecond_;
    DownloadFault fault_ = DownloadFault::none;
};

} // namespace hub::devstore
