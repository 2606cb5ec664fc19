#pragma once

#include "app/model/AppModel.h"
#include "tests/app/fakes/FakeDesktop.h"
#include "tests/app/fakes/FakeSleeper.h"

#include <memory>

namespace hub {

// The model over the composition's real clients, sessions in memory, with a fake
// sleeper and a recorded desktop: for tests against the devstore.
class DevstoreModel {
public:
    DevstoreModel();

    // Refreshes, then connects the demo store account; false when that failed.
    bool refreshAndSignIn();

    FakeSleeper sleeper;
    FakeDesktop desktop;
    std::unique_ptr<AppModel> model;
};

} // namespace hub
