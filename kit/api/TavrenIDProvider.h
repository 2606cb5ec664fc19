#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace hub {

// The providers of browser sign-in. The raw value (also the id) is the path word
// of the provider's start page.
enum class TavrenIDProvider { apple, google, github };

QString toString(TavrenIDProvider provider); // "apple", "google", "github"
QString title(TavrenIDProvider provider);    // "Apple", "Google", "GitHub"
// The provider whose raw value is exactly `text` (case-sensitive, untrimmed); nothing otherwise.
std::optional<TavrenIDProvider> tavrenIDProviderFromString(QStringView text);
// apple, google, github: the order of the sign-in buttons.
const QList<TavrenIDProvider>& allTavrenIDProviders();

} // namespace hub
