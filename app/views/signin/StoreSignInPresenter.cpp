#include "app/views/signin/StoreSignInPresenter.h"

#include "app/views/signin/FormText.h"

namespace hub {

StoreSignInPresenter::Screen StoreSignInPresenter::screen(const Input& input)
{
    Screen screen;
    screen.nameField = input.creating;
    screen.passwordPlaceholder = input.creating ? QStringLiteral("Choose a password") : QStringLiteral("Password");
    screen.error = input.error;
    screen.resetNote = input.resetSent;
    screen.consent = input.creating;
    screen.forgotShown = !input.creating;
    screen.forgotEnabled = canRequestReset(input);
    screen.switchTitle = input.creating ? QStringLiteral("I have an account") : QStringLiteral("Create an account");
    screen.primarySpinner = input.busy;
    screen.primaryTitle = input.creating ? QStringLiteral("Create Account") : QStringLiteral("Sign In");
    screen.primaryEnabled = canSubmit(input);
    return screen;
}

bool StoreSignInPresenter::canSubmit(const Input& input)
{
    // The fields as typed: nothing is trimmed and the address's form is not checked.
    if (input.email.isEmpty() || input.password.isEmpty() || input.busy)
        return false;
    if (input.creating && (input.name.isEmpty() || FormText::characterCount(input.password) < minimumNewPassword))
        return false;
    return true;
}

bool StoreSignInPresenter::canRequestReset(const Input& input)
{
    return input.email.contains(u'@') && !input.busy;
}

QString StoreSignInPresenter::shownEmail(const QString& email, const std::optional<QString>& prefill)
{
    return email.isEmpty() && prefill ? *prefill : email;
}

StoreSignInPresenter::Submission StoreSignInPresenter::submission(const Input& input)
{
    Submission sent;
    sent.creating = input.creating;
    sent.email = FormText::trimmed(input.email);
    sent.password = input.password;
    if (input.creating) {
        sent.name = FormText::trimmed(input.name);
        sent.newsletter = input.newsletter;
    }
    return sent;
}

} // namespace hub
