#pragma once

#include "devstore/DevstoreHosts.h"
#include "devstore/DevstoreReply.h"
#include "devstore/DevstoreRequest.h"

#include <QJsonObject>

namespace hub::devstore {

// The maker's web host (the catalog-extras feed, images, the checkout return page and the
// pages the hub opens in the browser) and the commerce platform's asset host (images).
class WebHost {
public:
    explicit WebHost(DevstoreHosts hosts);

    DevstoreReply handle(const DevstoreRequest& request) const;
    QJsonObject feed() const;

private:
    DevstoreHosts hosts_;
};

} // namespace hub::devstore
