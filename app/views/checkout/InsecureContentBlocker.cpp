#include "app/views/checkout/InsecureContentBlocker.h"

#include "app/views/checkout/CheckoutNavigation.h"
#include "app/views/kit/CheckoutLog.h"

namespace hub {

void InsecureContentBlocker::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame
        || CheckoutNavigation::allowsSubresource(info.requestUrl()))
        return;
    info.block(true);
    qCInfo(checkoutLog) << "blocked insecure content" << info.requestUrl().toString(QUrl::RemoveUserInfo);
    // Interceptors run on the UI thread in this Qt; queued all the same.
    QMetaObject::invokeMethod(this, [this, url = info.requestUrl()] { emit blocked(url); }, Qt::QueuedConnection);
}

} // namespace hub
