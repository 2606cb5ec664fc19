#pragma once

#include "app/views/kit/ScreenshotViewer.h"

#include <QColor>
#include <QList>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <optional>

class QHBoxLayout;
class QLabel;
class QScrollArea;

namespace hub {

class PlaceholderShot;
class Rebuilder;
class StoreCatalog;

// The "Preview" strip of a product or extras item: its screenshots from the extras
// feed, 400 by 250 each, scrolling sideways, or three drawn cards while the feed
// lists none. A plain vertical wheel scrolls the strip too. A click opens the viewer
// sheet at that screenshot; a feed change redraws the strip and hands the open viewer
// the new list.
class ScreenshotGallery : public QWidget {
    Q_OBJECT

public:
    ScreenshotGallery(const StoreCatalog& catalog, const QString& id, const QString& name,
        const std::optional<QString>& iconUrl, const QColor& tint, QWidget* parent = nullptr);

    void setTint(const QColor& tint);
    // The product's name and icon as the model has them now.
    void setProduct(const QString& name, const std::optional<QString>& iconUrl);
    // Opens the viewer at the screenshot's position (from 0).
    void open(int position);

    const QList<QUrl>& shots() const { return shots_; }
    // The strip's cells: PlaceholderShot cards, or buttons holding each screenshot.
    const QList<QWidget*>& cells() const { return cells_; }
    ScreenshotViewer* viewer() const { return viewer_; }
    bool showsCaption() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    QWidget* shotCell(const QUrl& url, int position);

    const StoreCatalog& catalog_;
    QString id_;
    QString name_;
    std::optional<QString> iconUrl_;
    QColor tint_;
    Rebuilder* rebuilder_;
    QScrollArea* scroll_;
    QWidget* row_;
    QHBoxLayout* rowLayout_;
    QLabel* caption_;
    std::optional<QList<QUrl>> built_;
    QList<QUrl> shots_;
    QList<QWidget*> cells_;
    QList<PlaceholderShot*> placeholders_;
    QPointer<ScreenshotViewer> viewer_;
};

} // namespace hub
