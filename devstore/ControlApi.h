#pragma once

#include "devstore/DevstoreReply.h"
#include "devstore/DevstoreRequest.h"
#include "devstore/DownloadHost.h"
#include "devstore/IdentityService.h"
#include "devstore/LiveCatalog.h"
#include "devstore/StoreApi.h"

namespace hub::devstore {

// Switches for tests and the demo, under /__devstore/ on the API host:
//   POST publish {"product","version"}       a new current version (built when needed)
//   POST orders/<id> {"status"}               an order's status
//   GET  code?email=                          the emailed sign-in code that is still good
//   POST download-fault {"fault"}             see DownloadFault; "none" clears
//   POST legacy-browser-sign-in {"enabled"}   hand back no code after the browser sign-in
//   POST files {"path","name"}                serves a file below the state folder; answers
//                                             {"key","size","location"} with a signed link
class ControlApi {
public:
    ControlApi(LiveCatalog& catalog, StoreApi& store, IdentityService& identity, DownloadHost& downloads,
               QString stateFolder);

    DevstoreReply handle(const DevstoreRequest& request);

private:
    LiveCatalog& catalog_;
    StoreApi& store_;
    IdentityService& identity_;
    DownloadHost& downloads_;
    QString stateFolder_;
};

} // namespace hub::devstore
