#include "kit/api/TavrenIDProvider.h"

namespace hub {

QString toString(TavrenIDProvider provider)
{
    switch (provider) {
    case TavrenIDProvider::apple: return QStringLiteral("apple");
    case TavrenIDProvider::google: return QStringLiteral("google");
    case TavrenIDProvider::github: return QStringLiteral("github");
    }
    return {};
}

QString title(TavrenIDProvider provider)
{
    switch (provider) {
    case TavrenIDProvider::apple: return QStringLiteral("Apple");
    case TavrenIDProvider::google: return QStringLiteral("Google");
    case TavrenIDProvider::github: return QStringLiteral("GitHub");
    }
    return {};
}

std::optional<TavrenIDProvider> tavrenIDProviderFromString(QStringView text)
{
    for (const TavrenIDProvider provider : allTavrenIDProviders()) {
        if (text == toString(provider))
            return provider;
    }
    return std::nullopt;
}

const QList<TavrenIDProvider>& allTavrenIDProviders()
{
    static const QList<TavrenIDProvider> all{TavrenIDProvider::apple, TavrenIDProvider::google, TavrenIDProvider::github};
    return all;
}

} // namespace hub
