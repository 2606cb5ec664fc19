#include "app/views/kit/ProductIconPresenter.h"

#include "app/views/kit/Graphemes.h"
#include "kit/security/HostPolicy.h"

namespace hub {

std::optional<QUrl> ProductIconPresenter::imageUrl(const std::optional<QString>& url, const HostPolicy& policy)
{
    if (!url || url->isEmpty())
        return std::nullopt;
    const QUrl parsed(*url, QUrl::StrictMode);
    if (!parsed.isValid() || !policy.allowsImage(parsed))
        return std::nullopt;
    return parsed;
}

ProductIconPresenter::Shadow ProductIconPresenter::shadow(double size)
{
    if (size > 60)
        return {0.18, 6, 3};
    return {0.08, 2, 1};
}

QString ProductIconPresenter::monogram(const QString& name)
{
    return firstGrapheme(name);
}

} // namespace hub
