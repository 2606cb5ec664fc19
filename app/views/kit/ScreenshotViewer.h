#pragma once

#include <QDialog>
#include <QList>
#include <QUrl>

class QLabel;
class QToolButton;

namespace hub {

class CachedImage;
class Spinner;

// The large viewer sheet: one screenshot at a time at 1.6 : 1, stepped with the
// chevrons or the arrow keys, without wrapping. It follows the gallery's list: a
// shorter list keeps the position within it, an empty one closes the sheet.
class ScreenshotViewer : public QDialog {
    Q_OBJECT

public:
    ScreenshotViewer(const QList<QUrl>& shots, int index, const QString& name, QWidget* parent = nullptr);

    void setShots(const QList<QUrl>& shots);
    // Moves by `delta`, kept within the list; nothing with no screenshots.
    void step(int delta);

    int index() const { return index_; }
    const QList<QUrl>& shots() const { return shots_; }
    QString counter() const;
    QToolButton* backButton() const { return back_; }
    QToolButton* forwardButton() const { return forward_; }
    CachedImage* image() const { return image_; }

private:
    void render();

    QList<QUrl> shots_;
    int index_;
    QWidget* frame_;
    CachedImage* image_;
    Spinner* spinner_;
    QToolButton* back_;
    QToolButton* forward_;
    QLabel* counter_;
};

} // namespace hub
