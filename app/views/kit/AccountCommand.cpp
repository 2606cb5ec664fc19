#include "app/views/kit/AccountCommand.h"

#include "app/model/AppModel.h"

namespace hub {

bool AccountCommand::signedIn(const AppModel& model)
{
    return model.accounts().storeUser() || model.accounts().tavrenProfile();
}

void AccountCommand::run(AppModel& model)
{
    if (signedIn(model))
        model.navigation().choose(HubSection::account);
    else
        model.accounts().openSignIn(SignInPurpose::general());
}

} // namespace hub
