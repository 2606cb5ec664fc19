#include "app/views/account/AccountActions.h"

#include "app/model/AppModel.h"
#include "app/model/RunOn.h"

#include <QPointer>

namespace hub::AccountActions {

QCoro::Task<> run(AppModel& model, AccountCardsPresenter::Action action)
{
    switch (action) {
    case AccountCardsPresenter::Action::signIn:
        model.accounts().openSignIn(SignInPurpose::general());
        break;
    case AccountCardsPresenter::Action::connect:
        model.accounts().openSignIn(SignInPurpose::connectStore(AccountCardsPresenter::connectReason));
        break;
    case AccountCardsPresenter::Action::signOut: {
        auto task = signOutTavrenID(model);
        co_await task;
        break;
    }
    case AccountCardsPresenter::Action::disconnect: {
        auto task = model.signIn().disconnectStore();
        co_await task;
        break;
    }
    }
}

QCoro::Task<> signOutTavrenID(AppModel& model)
{
    QPointer<AppModel> alive(&model);
    const std::shared_ptr<TavrenIDClient> id = model.services().tavrenID;
    if (id) {
        auto signOut = runOn(model.pools().reads, [id] { id->signOut(); });
        co_await signOut;
    }
    if (!alive)
        co_return;
    model.accounts().clearTavrenID();
    model.flash(Banner::Tone::info, QStringLiteral("Signed out of Tavren ID."));
}

QCoro::Task<> signOutDevice(AppModel& model, TavrenIDSession session)
{
    auto task = model.signIn().revokeTavrenSession(std::move(session));
    co_await task;
}

} // namespace hub::AccountActions
