#pragma once

#include "app/views/kit/CachedImage.h"

namespace hub {

// A product's rounded-square icon of `size` pixels: its image from an allowed
// image host, else (and until it arrives) the monogram on a dark gradient.
class ProductIcon : public CachedImage {
    Q_OBJECT

public:
    ProductIcon(const std::optional<QString>& url, const QString& name, int size, QWidget* parent = nullptr);

    // Shows the icon at this address, and this name's monogram until it is there
    // (loading it when the address differs).
    void setProduct(const std::optional<QString>& url, const QString& name);

    // The monogram placeholder, also used by the gallery and the tiles' stand-ins.
    static void paintMonogram(QPainter& painter, const QRectF& rect, const QString& name);

protected:
    void paintOverlay(QPainter& painter, const QRectF& rect) override;

private:
    QString name_;
};

} // namespace hub
