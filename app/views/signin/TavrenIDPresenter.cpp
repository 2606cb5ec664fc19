#include "app/views/signin/TavrenIDPresenter.h"

#include "app/views/signin/FormText.h"

namespace hub {

TavrenIDPresenter::Screen TavrenIDPresenter::screen(const Input& input)
{
    Screen screen;
    for (const TavrenIDProvider provider : allTavrenIDProviders()) {
        const bool running = input.busy == toString(provider);
        screen.providers.append({provider, QStringLiteral("Continue with ") + title(provider), running, !input.busy || running});
    }
    screen.waiting = waitingFor(input).has_value();
    screen.emailEnabled = !input.codeSent;
    screen.requestShown = !input.codeSent;
    screen.requestEnabled = canRequest(input);
    screen.requestSpinner = input.busy == requesting;
    screen.signInEnabled = canComplete(input);
    screen.signInSpinner = input.busy == checking;
    screen.error = input.error;
    return screen;
}

bool TavrenIDPresenter::canRequest(const Input& input)
{
    return input.email.contains(u'@') && !input.busy;
}

bool TavrenIDPresenter::canComplete(const Input& input)
{
    return FormText::numberCount(input.code) >= codeLength && !input.busy;
}

std::optional<TavrenIDProvider> TavrenIDPresenter::waitingFor(const Input& input)
{
    return input.busy ? tavrenIDProviderFromString(*input.busy) : std::nullopt;
}

} // namespace hub
