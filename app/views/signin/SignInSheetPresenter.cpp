#include "app/views/signin/SignInSheetPresenter.h"

namespace hub {

SignInSheetPresenter::Screen SignInSheetPresenter::screen(const SignInPurpose& purpose, Mode mode)
{
    if (!purpose.isGeneral())
        return {QStringLiteral("Connect your store account"), purpose.reason, false, Form::store};
    return {QStringLiteral("Sign in to Tavren"),
        QStringLiteral("Use your Tavren ID, or the store account from your purchases. Either one shows your library."), true,
        mode == Mode::store ? Form::store : Form::tavrenID};
}

std::optional<QString> SignInSheetPresenter::prefill(const std::optional<QStringList>& profileEmails)
{
    if (!profileEmails || profileEmails->isEmpty())
        return std::nullopt;
    return profileEmails->first();
}

const QList<std::pair<SignInSheetPresenter::Mode, QString>>& SignInSheetPresenter::modes()
{
    static const QList<std::pair<Mode, QString>> all{{Mode::tavrenID, QStringLiteral("Tavren ID")}, {Mode::store, QStringLiteral("Store account")}};
    return all;
}

} // namespace hub
