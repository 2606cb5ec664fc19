#include "app/model/Preferences.h"

#include "app/model/Assign.h"

#include <QStringList>

namespace hub {

Preferences::Preferences(QSettings& settings, QObject* parent) : QObject(parent), settings_(settings)
{
    const QVariant currency = settings_.value(currencyKey);
    currency_ = currency.typeId() == QMetaType::QString ? currency.toString() : QStringLiteral("EUR");
    const QStringList wishlist = settings_.value(wishlistKey).toStringList();
    wishlist_ = QSet<QString>(wishlist.begin(), wishlist.end());
    // The registered default: on until someone writes false.
    autoUpdate_ = settings_.value(autoUpdateKey, true).toBool();
}

void Preferences::setCurrency(const QString& currency)
{
    const bool changed = assign(currency_, currency);
    write(currencyKey, currency_);
    if (changed)
        emit currencyChanged();
}

void Preferences::setWishlist(const QSet<QString>& wishlist)
{
    const bool changed = assign(wishlist_, wishlist);
    write(wishlistKey, QStringList(wishlist_.begin(), wishlist_.end()));
    if (changed)
        emit wishlistChanged();
}

void Preferences::setAutoUpdate(bool on)
{
    const bool changed = assign(autoUpdate_, on);
    write(autoUpdateKey, autoUpdate_);
    if (changed)
        emit autoUpdateChanged();
}

bool Preferences::betaWelcomeShown() const
{
    return settings_.value(betaWelcomeShownKey, false).toBool();
}

void Preferences::setBetaWelcomeShown()
{
    write(betaWelcomeShownKey, true);
}

void Preferences::write(const char* key, const QVariant& value)
{
    settings_.setValue(QLatin1String(key), value);
    // The background updater reads the same file; let it see the value now.
    settings_.sync();
}

} // namespace hub
