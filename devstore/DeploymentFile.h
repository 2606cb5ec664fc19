#pragma once

#include "devstore/DevstoreHosts.h"
#include "devstore/DevstoreKeys.h"

#include <QString>

namespace hub::devstore {

// Writes <state>/deployment.json, what the demo flavour of the hub reads, and
// <state>/ca.pem, the TLS root it names; returns the file's path.
QString writeDeploymentFile(const QString& stateFolder, const DevstoreHosts& hosts, const DevstoreKeys& keys, quint16 port);

} // namespace hub::devstore
