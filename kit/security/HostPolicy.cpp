#include "kit/security/HostPolicy.h"

#include "kit/deployment/Deployment.h"

namespace hub {

const HostPolicy& HostPolicy::tavren()
{
    static const HostPolicy& policy = *new HostPolicy(from(Deployment::current()));
    return policy;
}

HostPolicy HostPolicy::from(const Deployment& deployment)
{
    return {deployment.apiHost, {deployment.assetHost, deployment.webHost}, {deployment.downloadDomain}};
}

bool HostPolicy::isPlainHTTPS(const QUrl& url)
{
    if (!url.isValid() || url.scheme().compare(u"https", Qt::CaseInsensitive) != 0)
        return false;
    if (url.host().isEmpty())
        return false;
    if (!url.userName().isEmpty() || !url.password().isEmpty())
        return false;
    const int port = url.port();
    return port == -1 || port == 443;
}

bool HostPolicy::allowsAPI(const QUrl& url) const
{
    return isPlainHTTPS(url) && url.host().toLower() == apiHost;
}

bool HostPolicy::allowsImage(const QUrl& url) const
{
    return isPlainHTTPS(url) && assetHosts.contains(url.host().toLower());
}

bool HostPolicy::allowsDownload(const QUrl& url) const
{
    if (!isPlainHTTPS(url))
        return false;
    const QString host = url.host().toLower();
    for (const QString& domain : downloadDomains) {
        if (host.endsWith(u'.' + domain))
            return true;
    }
    return false;
}

QUrl HostPolicy::apiBase() const { return QUrl(QStringLiteral("https://") + apiHost); }

} // namespace hub
