#include "kit/api/ConnectionOptions.h"

#include "kit/deployment/Deployment.h"

namespace hub {

const ConnectionOptions& ConnectionOptions::deployed()
{
    static const ConnectionOptions options = [] {
        const Deployment& values = Deployment::current();
        ConnectionOptions deployed;
        if (values.loopbackPort != 0) {
            deployed.connectTo.insert(QString(), values.loopbackPort);
            deployed.trustStore = TrustStore::systemWith(values.extraRootsPEM);
        }
        return deployed;
    }();
    return options;
}

} // namespace hub
