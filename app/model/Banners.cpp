#include "app/model/Banners.h"

#include <QPointer>

namespace hub {

Banners::Banners(Sleeper sleep, QObject* parent) : QObject(parent), sleep_(std::move(sleep)) {}

std::chrono::seconds Banners::lifetime(Banner::Tone tone)
{
    return tone == Banner::Tone::failure ? std::chrono::seconds(12) : std::chrono::seconds(6);
}

void Banners::flash(Banner::Tone tone, const QString& text)
{
    const Banner banner = Banner::make(tone, text);
    banners_.append(banner);
    emit bannersChanged();
    expire(banner.id, tone);
}

void Banners::dismiss(const QUuid& id)
{
    if (banners_.removeIf([&](const Banner& b) { return b.id == id; }) > 0)
        emit bannersChanged();
}

QCoro::Task<> Banners::expire(QUuid id, Banner::Tone tone)
{
    QPointer<Banners> self(this);
    if (sleep_) {
        QCoro::Task<> wait = sleep_(lifetime(tone));
        co_await wait;
    }
    if (self)
        self->dismiss(id);
}

} // namespace hub
