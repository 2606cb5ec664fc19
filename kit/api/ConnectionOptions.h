#pragma once

#include "kit/security/TrustStore.h"

#include <QHash>
#include <QString>
#include <memory>

namespace hub {

struct Deployment;

// Where pinned connections go and what they trust. The defaults are the real
// network and the system's roots; tests and the demo point hosts at loopback
// servers and inject their own roots, leaving every URL unchanged.
struct ConnectionOptions {
    // Host (lower case) to a loopback port: the host's port 443 is reached at
    // 127.0.0.1 on that port. The URL, SNI and host checks keep the host. An
    // empty host stands for every host.
    QHash<QString, quint16> connectTo;
    // The roots chains are evaluated against; the system's when null.
    std::shared_ptr<const TrustStore> trustStore;

    bool isDefault() const { return connectTo.isEmpty() && !trustStore; }

    // What default options mean: the real network and the system's roots, except in
    // the demo flavour with a deployment file, where every host's port 443 is the
    // devstore's loopback port and its root is trusted beside the system's.
    static const ConnectionOptions& deployed();
    // What a deployment asks for: its loopback port for every host and its extra root
    // beside the system's; the defaults when it names no port.
    static ConnectionOptions from(const Deployment& deployment);
};

} // namespace hub
