#pragma once

#include "app/model/Banner.h"
#include "app/model/Sleeper.h"

#include <QList>
#include <QObject>
#include <chrono>

namespace hub {

// The banners on screen, oldest first. Each removes itself after its lifetime.
class Banners : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<hub::Banner> banners READ banners NOTIFY bannersChanged)

public:
    explicit Banners(Sleeper sleep, QObject* parent = nullptr);

    const QList<Banner>& banners() const { return banners_; }

    // Shows a banner and schedules its removal; returns at once.
    void flash(Banner::Tone tone, const QString& text);
    // Removes the banner with that id, if it is still shown.
    void dismiss(const QUuid& id);

    static std::chrono::seconds lifetime(Banner::Tone tone);

signals:
    void bannersChanged();

private:
    QCoro::Task<> expire(QUuid id, Banner::Tone tone);

    Sleeper sleep_;
    QList<Banner> banners_;
};

} // namespace hub
