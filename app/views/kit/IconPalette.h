#pragma once

#include "kit/api/StorefrontProduct.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>

namespace hub {

class HostPolicy;

// The average colour of each product's icon, worked out once per product on a
// worker thread and kept until the app quits. Until a colour is known, and for
// products whose icon gives none, screens get the accent colour. A product is
// tried at most once: its id stays pending whether the attempt succeeds or not,
// unless its icon's bytes gave no image and were let go of to be fetched again
// (ImageMemory::discard); then it is tried once more.
// Main thread only; one palette per model (of()).
class IconPalette : public QObject {
    Q_OBJECT

public:
    IconPalette(const HostPolicy& policy, QObject* parent = nullptr);

    // The palette of the app model `owner`, made on first use and destroyed with it.
    static IconPalette& of(QObject& owner);

    const QHash<QString, QColor>& colors() const { return colors_; }
    bool isPending(const QString& productId) const { return pending_.contains(productId); }
    // The product's colour, else the accent colour, starting the work when due.
    QColor color(const StorefrontProduct& product);

    // The mean of the image's red, green and blue values over every pixel, opaque;
    // nothing for an empty image.
    static std::optional<QColor> average(const QImage& image);
    // The average of an encoded image, decoded no larger than samplePixels a side; nothing
    // when it is no image (or one that ImageMemory refuses).
    static std::optional<QColor> averageOf(const QByteArray& bytes);
    static constexpr int samplePixels = 64; // plenty for a mean colour

signals:
    void colorArrived(const QString& productId);

private:
    void load(const StorefrontProduct& product);

    const HostPolicy& policy_;
    QHash<QString, QColor> colors_;
    QSet<QString> pending_;
};

} // namespace hub
