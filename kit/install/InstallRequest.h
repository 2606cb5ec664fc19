#pragma once

#include "kit/api/Download.h"

#include <QString>

namespace hub {

// One store download to install: which product, the store's version text at the
// time of asking, and the chosen file.
struct InstallRequest {
    QString productId;
    QString productName;
    QString version; // copied into the ledger record; the pipeline compares nothing with it
    Download download;

    bool operator==(const InstallRequest&) const = default;
};

} // namespace hub
