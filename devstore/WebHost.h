#pragma once

#include "devstore/DevstoreHosts.h"
#include "devstore/DevstoreReply.h"
#include "devstore/DevstoreRequest.h"

#include <QJsonObject>

namespace hub::devstore {

// The maker's web host (the catalog-extras feed, images, the checkout return page and the
// pages the hub opens in the browser) and the commerce platform's asset host (images).
// With `screenshots`, every store product the feed gives none lists that many wide
// screenshots (1200 x 675, stored uncompressed: as heavy as a real store's).
class WebHost {
public:
    explicit WebHost(DevstoreHosts hosts, int screenshots = 0);

    DevstoreReply handle(const DevstoreRequest& request) const;
    QJsonObject feed() const;

private:
    DevstoreHosts hosts_;
    int screenshots_;
};

} // namespace hub::devstore
