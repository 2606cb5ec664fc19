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

namespace hub::deployment {

// Code-signing trust anchors (PEM, concatenated): the roots that signatures of installable code
// must chain to. A deployment fills in the platform's code-signing root certificate here. This
// build carries none (the real root is not part of this source tree), so every signed bundle is
// refused as untrusted until it is filled in; tests bring their own anchors.
inline constexpr const char* codeSigningAnchorsPEM = "";

} // namespace hub::deployment
