#include "app/views/kit/StyleRole.h"

#include <QHash>
#include <QVariant>
#include <QWidget>

namespace hub {

StyleRole styleRole(const QWidget* widget)
{
    if (!widget)
        return StyleRole::none;
    const QVariant value = widget->property("role");
    if (!value.isValid())
        return StyleRole::none;
    static const QHash<QString, StyleRole> roles{{QStringLiteral("prominent"), StyleRole::prominent}, {QStringLiteral("regular"), StyleRole::regular},
        {QStringLiteral("link"), StyleRole::link}, {QStringLiteral("overlayLink"), StyleRole::overlayLink},
        {QStringLiteral("segment"), StyleRole::segment}, {QStringLiteral("trackSegment"), StyleRole::trackSegment},
        {QStringLiteral("track"), StyleRole::track}, {QStringLiteral("symbol"), StyleRole::symbol}, {QStringLiteral("menu"), StyleRole::menu},
        {QStringLiteral("card"), StyleRole::card}, {QStringLiteral("tag"), StyleRole::tag}, {QStringLiteral("material"), StyleRole::material},
        {QStringLiteral("clear"), StyleRole::clear}, {QStringLiteral("field"), StyleRole::field}};
    return roles.value(value.toString(), StyleRole::none);
}

} // namespace hub
