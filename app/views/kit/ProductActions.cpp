#include "app/views/kit/ProductActions.h"

#include <algorithm>

namespace hub {

ActionButtonPresenter::Input ProductActions::input(const StorefrontProduct& product) const
{
    ActionButtonPresenter::Input in;
    in.jobStage = jobStage(product.id);
    in.owns = owns(product.id);
    in.macDownloads = product.macDownloads();
    if (in.owns) {
        const std::optional<InstallRecord> installed = record(product.id);
        in.installed = installed.has_value();
        in.installedApp = installed && std::any_of(installed->items.begin(), installed->items.end(),
                                           [](const InstalledItem& item) { return item.kind == BundleKind::app; });
        in.hasUpdate = in.installed && hasUpdate(product);
    }
    in.hasDefaultVariation = product.defaultVariation.has_value();
    in.isFree = product.isFree();
    if (product.defaultVariation && !in.owns && !in.isFree)
        in.price = price(*product.defaultVariation);
    return in;
}

} // namespace hub
