#pragma once

#include "app/views/account/AccountCardsPresenter.h"
#include "kit/api/TavrenIDSession.h"

#include <QCoroTask>

namespace hub {

class AppModel;

// What the account page's buttons do on the model. Each one starts its work and
// returns; the task is only kept by tests.
namespace AccountActions {

QCoro::Task<> run(AppModel& model, AccountCardsPresenter::Action action);
// Tells the identity service (outcome ignored), forgets the session, then clears the
// profile, devices and purchases and says so. Never fails; the store is not touched.
QCoro::Task<> signOutTavrenID(AppModel& model);
// Signs one device out; the model reloads the list and reports a failure.
QCoro::Task<> signOutDevice(AppModel& model, TavrenIDSession session);

} // namespace AccountActions

} // namespace hub
