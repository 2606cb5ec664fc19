#pragma once

#include <QSet>
#include <QString>

namespace hub::deployment {

// Hosts of this deployment. All lower case; every one is reached on port 443.
inline constexpr const char* storeApiHost = "tavren.store.example";          // the store tenant's customer API
inline constexpr const char* identityApiHost = "id.tavren.example";          // the identity service
inline constexpr const char* webDomain = "tavren.example";                   // the maker's web domain
inline constexpr const char* storeAssetHost = "assets.store.example";        // the commerce platform's asset host
inline constexpr const char* objectStorageDomain = "objects.storage.example"; // signed download links live below it

} // namespace hub::deployment
