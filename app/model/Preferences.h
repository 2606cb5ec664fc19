#pragma once

#include <QObject>
#include <QSet>
#include <QSettings>
#include <QString>

namespace hub {

// The persisted settings. Read once from the user defaults when made; every
// assignment afterwards writes its key back at once, changed or not.
class Preferences : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString currency READ currency NOTIFY currencyChanged)
    Q_PROPERTY(QSet<QString> wishlist READ wishlist NOTIFY wishlistChanged)
    Q_PROPERTY(bool autoUpdate READ autoUpdate NOTIFY autoUpdateChanged)

public:
    static constexpr const char* currencyKey = "currency";
    static constexpr const char* wishlistKey = "wishlist";
    static constexpr const char* autoUpdateKey = "autoUpdate";
    static constexpr const char* betaWelcomeShownKey = "betaWelcomeShown";

    explicit Preferences(QSettings& settings, QObject* parent = nullptr);

    const QString& currency() const { return currency_; }
    const QSet<QString>& wishlist() const { return wishlist_; }
    bool autoUpdate() const { return autoUpdate_; }

    void setCurrency(const QString& currency);
    void setWishlist(const QSet<QString>& wishlist);
    void setAutoUpdate(bool on);

    // The one-time welcome; read and written straight through, not observed.
    bool betaWelcomeShown() const;
    void setBetaWelcomeShown();

signals:
    void currencyChanged();
    void wishlistChanged();
    void autoUpdateChanged();

private:
    void write(const char* key, const QVariant& value);

    QSettings& settings_;
    QString currency_;
    QSet<QString> wishlist_;
    bool autoUpdate_ = true;
};

} // namespace hub
