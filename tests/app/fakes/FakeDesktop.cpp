#include "tests/app/fakes/FakeDesktop.h"

namespace hub {

void FakeDesktop::attach(Services& services)
{
    services.openURL = [this](const QUrl& url) { opened.append(url); };
    services.isFrontmost = [this] { return frontmost; };
    services.activate = [this] { ++activations; };
    services.setDockBadge = [this](int count) { badges.append(count); };
    services.notify = [this](const QString& title, const QString& body, const QString& link) {
        notifications.append({title, body});
        notificationLinks.append(link);
    };
    services.reveal = [this](const QStringList& paths, const std::function<void()>& failed) {
        revealed.append(paths);
        if (!reveals)
            failed();
    };
    services.openApp = [this](const QString& bundle) {
        started.append(bundle);
        return opens;
    };
}

} // namespace hub
