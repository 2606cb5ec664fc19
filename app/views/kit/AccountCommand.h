#pragma once

namespace hub {

class AppModel;

// The account footer's and the menu's one action: the account screen when the person is
// signed in (a store account or a Tavren ID profile is enough), else the sign-in sheet.
class AccountCommand {
public:
    static bool signedIn(const AppModel& model);
    static void run(AppModel& model);
};

} // namespace hub
