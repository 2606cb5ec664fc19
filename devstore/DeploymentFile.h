#pragma once

#include "devstore/DevstoreHosts.h"
#include "devstore/DevstoreKeys.h"

#include <QString>

namespace hub::devstore {

// Writes <state>/deployment.json, what the demo flavour of the hub reads, <state>/ca.pem,
// the TLS root it names, and <state>/webengine.args, the web engine's arguments for the same
// hosts and keys; returns the deployment file's path.
QString writeDeploymentFile(const QString& stateFolder, const DevstoreHosts& hosts, const DevstoreKeys& keys, quint16 port);

} // namespace hub::devstore
