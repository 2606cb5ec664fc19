#include "app/views/kit/IconPalette.h"

#include "app/views/kit/ImageMemory.h"
#include "app/views/kit/Theme.h"
#include "kit/security/HostPolicy.h"

#include <QCoreApplication>
#include <QPointer>
#include <QtConcurrent>

namespace hub {

IconPalette::IconPalette(const HostPolicy& policy, QObject* parent) : QObject(parent), policy_(policy)
{
    setObjectName(QStringLiteral("IconPalette"));
}

IconPalette& IconPalette::of(QObject& owner)
{
    if (auto* found = owner.findChild<IconPalette*>(QStringLiteral("IconPalette"), Qt::FindDirectChildrenOnly))
        return *found;
    return *new IconPalette(HostPolicy::tavren(), &owner);
}

QColor IconPalette::color(const StorefrontProduct& product)
{
    const auto found = colors_.constFind(product.id);
    if (found != colors_.constEnd())
        return *found;
    load(product);
    return Theme::accent();
}

void IconPalette::load(const StorefrontProduct& product)
{
    if (pending_.contains(product.id) || !product.iconUrl)
        return;
    const QUrl url(*product.iconUrl, QUrl::StrictMode);
    if (product.iconUrl->isEmpty() || !url.isValid() || !policy_.allowsImage(url))
        return;
    pending_.insert(product.id);
    QPointer<IconPalette> self(this);
    // The bytes are shared with the icon views; the averaging runs below their loads.
    // Bytes that give no image are let go of; when the address may give others, the product is
    // tried again on its next showing.
    using Averaged = std::pair<std::optional<QColor>, bool>;
    ImageMemory::requestBytes(url, this, [self, url, id = product.id](const std::optional<QByteArray>& bytes) {
        if (!bytes)
            return;
        QtConcurrent::run(&ImageMemory::backgroundPool(), [url, bytes = *bytes] {
            const std::optional<QColor> color = averageOf(bytes);
            return Averaged(color, !color && ImageMemory::discard(url, bytes));
        }).then(self.data(), [self, id](const Averaged& averaged) {
            const auto& [color, again] = averaged;
            if (!self)
                return;
            if (again)
                self->pending_.remove(id);
            if (!color)
                return;
            self->colors_.insert(id, *color);
            emit self->colorArrived(id);
        });
    });
}

std::optional<QColor> IconPalette::averageOf(const QByteArray& bytes)
{
    const std::optional<QImage> image = ImageMemory::decode(bytes, samplePixels);
    return image ? average(*image) : std::nullopt;
}

std::optional<QColor> IconPalette::average(const QImage& image)
{
    if (image.isNull() || image.width() == 0 || image.height() == 0)
        return std::nullopt;
    // The stored components, not premultiplied: transparency leaves the colour alone.
    const QImage pixels = image.convertToFormat(QImage::Format_RGBA8888);
    quint64 sums[3] = {0, 0, 0};
    for (int y = 0; y < pixels.height(); ++y) {
        const uchar* line = pixels.constScanLine(y);
        for (int x = 0; x < pixels.width(); ++x) {
            sums[0] += line[4 * x];
            sums[1] += line[4 * x + 1];
            sums[2] += line[4 * x + 2];
        }
    }
    const quint64 count = quint64(pixels.width()) * quint64(pixels.height());
    return QColor(int((sums[0] + count / 2) / count), int((sums[1] + count / 2) / count),
        int((sums[2] + count / 2) / count));
}

} // namespace hub
