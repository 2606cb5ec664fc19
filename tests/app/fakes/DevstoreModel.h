#pragma once

#include "app/model/AppModel.h"
#include "app/shell/Composition.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/FakeDesktop.h"
#include "tests/app/fakes/FakeSleeper.h"

namespace hub {

// The model over the composition's real clients, sessions in memory, with a fake
// sleeper and a recorded desktop: for tests against the devstore.
struct DevstoreModel {
    FakeSleeper sleeper;
    FakeDesktop desktop;
    std::unique_ptr<AppModel> model = [this] {
        Services services = Composition::standard({"tavren-hub", "--measure-launch"});
        services.sleep = sleeper.sleeper();
        desktop.attach(services);
        return std::make_unique<AppModel>(std::move(services));
    }();

    // Refreshes, then connects the demo store account; false when that failed.
    bool refreshAndSignIn()
    {
        test::await(model->refresh().refreshAll());
        return !QCoro::waitFor(test::failureOf(model->signIn().signInToStore("demo@tavren.test", "demo-pass-1")));
    }
};

} // namespace hub
