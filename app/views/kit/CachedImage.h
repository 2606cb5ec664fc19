#pragma once

#include "app/views/kit/ImageMemory.h"

#include <QUrl>
#include <QWidget>
#include <functional>
#include <optional>

class QVariantAnimation;

namespace hub {

// A picture from the network: its placeholder until the decoded image is there
// (at once when ImageMemory keeps it), then the image filling the view, fading in.
// Holds its image only while shown within reach (not hidden, nor scrolled far out of the
// view of a scroll area it is in: a viewport's worth around it), held in ImageMemory's
// account; coming back, it takes it from there again or loads it again. Loads when it
// comes within reach and when its address changes; a view gone before its image arrives
// is left alone, and the image is still remembered. Bytes that give no image leave the
// cache (ImageMemory::discard) and are fetched again once.
class CachedImage : public QWidget {
    Q_OBJECT

public:
    using Placeholder = std::function<void(QPainter&, const QRectF&)>;

    // An empty address shows the placeholder and loads nothing.
    CachedImage(const QUrl& url, int maxPixels, Placeholder placeholder, QWidget* parent = nullptr);

    void setUrl(const QUrl& url);
    const QUrl& url() const { return url_; }
    int maxPixels() const { return maxPixels_; }
    bool hasImage() const { return bool(shown_); }
    // Rounds the corners of everything drawn.
    void setCornerRadius(double radius);

signals:
    void imageArrived();
    // The image went (hidden, scrolled far, or another address): the placeholder is back.
    void imageLeft();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // Drawn over the content, inside the rounded corners.
    virtual void paintOverlay(QPainter&, const QRectF&) {}

private:
    bool inReach() const;
    // Takes or lets go of the image by where the view is now.
    void place();
    void leave();
    void load();
    void fetch(bool firstTry);
    void present(ImageMemory::Held image, bool fade);

    QUrl url_;
    int maxPixels_;
    Placeholder placeholder_;
    ImageMemory::Held shown_;
    std::optional<QUrl> requested_; // the address loaded since the view last came within reach
    double opacity_ = 1.0;
    double cornerRadius_ = 0;
};

} // namespace hub
