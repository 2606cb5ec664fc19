#include "tests/app/fakes/DevstoreModel.h"

#include "app/shell/Composition.h"
#include "tests/app/fakes/Await.h"

namespace hub {

DevstoreModel::DevstoreModel()
{
    Services services = Composition::standard({"tavren-hub", "--measure-launch"}); // sessions in memory
    services.sleep = sleeper.sleeper();
    desktop.attach(services);
    model = std::make_unique<AppModel>(std::move(services));
}

bool DevstoreModel::refreshAndSignIn()
{
    test::await(model->refresh().refreshAll());
    return !QCoro::waitFor(test::failureOf(model->signIn().signInToStore("demo@tavren.test", "demo-pass-1")));
}

} // namespace hub
