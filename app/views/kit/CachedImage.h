#pragma once

#include <QImage>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <optional>

class QVariantAnimation;

namespace hub {

// A picture from the network: its placeholder until the decoded image is there
// (at once when ImageMemory holds it), then the image filling the view, fading in.
// Loads when shown and when its address changes; a view gone before its image
// arrives is left alone, and the image is still remembered. Bytes that give no
// image leave the cache (ImageMemory::discard) and are fetched again once.
class CachedImage : public QWidget {
    Q_OBJECT

public:
    using Placeholder = std::function<void(QPainter&, const QRectF&)>;

    // An empty address shows the placeholder and loads nothing.
    CachedImage(const QUrl& url, int maxPixels, Placeholder placeholder, QWidget* parent = nullptr);

    void setUrl(const QUrl& url);
    const QUrl& url() const { return url_; }
    int maxPixels() const { return maxPixels_; }
    bool hasImage() const { return image_.has_value(); }
    // Rounds the corners of everything drawn.
    void setCornerRadius(double radius);

signals:
    void imageArrived();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // Drawn over the content, inside the rounded corners.
    virtual void paintOverlay(QPainter&, const QRectF&) {}

private:
    void load();
    void fetch(bool firstTry);
    void present(const QImage& image);

    QUrl url_;
    int maxPixels_;
    Placeholder placeholder_;
    std::optional<QImage> image_;
    std::optional<QUrl> requested_; // the address of the last load started
    double opacity_ = 1.0;
    double cornerRadius_ = 0;
};

} // namespace hub
