#include "kit/api/ConnectionOptions.h"

#include "kit/deployment/Deployment.h"

namespace hub {

const ConnectionOptions& ConnectionOptions::deployed()
{
    static const ConnectionOptions& options = *new ConnectionOptions(from(Deployment::current()));
    return options;
}

ConnectionOptions ConnectionOptions::from(const Deployment& deployment)
{
    ConnectionOptions options;
    if (deployment.loopbackPort != 0) {
        options.connectTo.insert(QString(), deployment.loopbackPort);
        options.trustStore = TrustStore::systemWith(deployment.extraRootsPEM);
    }
    return options;
}

} // namespace hub
