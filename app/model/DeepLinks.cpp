#include "app/model/DeepLinks.h"

#include "app/model/DeepLink.h"
#include "app/model/Navigation.h"

namespace hub {

DeepLinks::DeepLinks(const Services& services, Navigation& navigation, QObject* parent)
    : QObject(parent), services_(services), navigation_(navigation)
{
}

void DeepLinks::open(const QString& url)
{
    const std::optional<DeepLink> link = DeepLink::parse(url);
    if (!link)
        return;
    switch (link->kind) {
    case DeepLink::Kind::product: navigation_.show(link->productId); break;
    case DeepLink::Kind::library: navigation_.choose(HubSection::library); break;
    case DeepLink::Kind::updates: navigation_.choose(HubSection::updates); break;
    case DeepLink::Kind::none: break;
    }
    if (services_.activate)
        services_.activate();
}

void DeepLinks::openLaunchLink()
{
    if (const std::optional<QString> link = services_.arguments.link())
        open(*link);
}

void DeepLinks::received(const QString& message)
{
    if (!message.isEmpty())
        open(message);
    else if (services_.activate)
        services_.activate();
}

} // namespace hub
