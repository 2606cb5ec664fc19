#include "app/views/kit/GalleryPresenter.h"

#include "kit/security/HostPolicy.h"

#include <algorithm>

namespace hub {

QList<QUrl> GalleryPresenter::shots(const std::optional<CatalogExtras>& extras, const QString& key, const HostPolicy& policy)
{
    if (!extras)
        return {};
    return extras->screenshots(key, policy);
}

QStringList GalleryPresenter::placeholderKeys()
{
    return {QStringLiteral("placeholder-0"), QStringLiteral("placeholder-1"), QStringLiteral("placeholder-2")};
}

int GalleryPresenter::variant(const QString& key)
{
    if (key.isEmpty())
        return 0;
    const QChar last = key.back();
    return last >= u'0' && last <= u'9' ? last.unicode() - u'0' : 0;
}

GalleryPresenter::Card GalleryPresenter::card(int variant)
{
    return {variant % 2 == 0, variant == 1};
}

QString GalleryPresenter::cellLabel(int position, qsizetype count)
{
    return QStringLiteral("Screenshot %1 of %2").arg(position + 1).arg(count);
}

std::optional<GalleryPresenter::Viewer> GalleryPresenter::viewer(int index, qsizetype count)
{
    if (count <= 0)
        return std::nullopt;
    const int last = int(count - 1);
    const int shown = std::clamp(index, 0, last);
    return Viewer{shown, QStringLiteral("%1 of %2").arg(shown + 1).arg(count), shown > 0, shown < last};
}

int GalleryPresenter::step(int index, int delta, qsizetype count)
{
    if (count <= 0)
        return index;
    return std::clamp(index + delta, 0, int(count - 1));
}

} // namespace hub
