#include "app/views/checkout/CheckoutNavigation.h"

#include "kit/deployment/Deployment.h"

namespace hub {

namespace {

const QString https = QStringLiteral("https");

} // namespace

CheckoutNavigation::Hosts CheckoutNavigation::Hosts::standard()
{
    return {{Deployment::current().apiHost.toLower()},
            {QStringLiteral("stripe.com"), QStringLiteral("stripe.network"), QStringLiteral("paypal.com"),
             QStringLiteral("paypalobjects.com")}};
}

CheckoutNavigation::CheckoutNavigation(QUrl returnURL, Hosts hosts) : returnURL_(std::move(returnURL)), hosts_(std::move(hosts)) {}

bool CheckoutNavigation::isReturn(const QUrl& url) const
{
    return url.scheme() == returnURL_.scheme() && url.host() == returnURL_.host()
        && url.path(QUrl::FullyEncoded) == returnURL_.path(QUrl::FullyEncoded);
}

bool CheckoutNavigation::allowsTopLevel(const QUrl& url) const
{
    const QString host = url.host(QUrl::FullyEncoded).toLower();
    if (host.isEmpty())
        return false;
    if (hosts_.topLevelHosts.contains(host))
        return true;
    for (const QString& domain : hosts_.topLevelDomains) {
        if (host == domain || host.endsWith(u'.' + domain))
            return true;
    }
    return false;
}

CheckoutNavigation::Verdict CheckoutNavigation::decide(const QUrl& url, Frame frame) const
{
    if (url.isEmpty() || !url.isValid())
        return Verdict::cancel;
    if (isReturn(url))
        return Verdict::returned;
    if (url.scheme() == u"about")
        return Verdict::allow;
    if (url.scheme().toLower() != https)
        return Verdict::cancel;
    if (frame == Frame::sub)
        return Verdict::allow;
    return allowsTopLevel(url) ? Verdict::allow : Verdict::cancel;
}

bool CheckoutNavigation::allowsPopup(const QUrl& url) const
{
    if (url.isEmpty() || !url.isValid())
        return false;
    return (url.scheme().toLower() == https && allowsTopLevel(url)) || url.toString(QUrl::FullyEncoded) == u"about:blank";
}

bool CheckoutNavigation::allowsSubresource(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == https || scheme == u"data" || scheme == u"blob" || scheme == u"about";
}

QString toString(CheckoutNavigation::Verdict verdict)
{
    switch (verdict) {
    case CheckoutNavigation::Verdict::allow: return QStringLiteral("allow");
    case CheckoutNavigation::Verdict::cancel: return QStringLiteral("cancel");
    case CheckoutNavigation::Verdict::returned: return QStringLiteral("return");
    }
    return {};
}

} // namespace hub
