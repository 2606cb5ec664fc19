#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <optional>

class QTimer;
class QVariantAnimation;

namespace hub {

// The brand screen over the window at launch: three glows drift behind the mark
// for 0.85 s, then it fades out (and zooms) over 0.3 s and calls `finished`. A
// click or a key press leaves at once; the key is not passed on. Frozen, it draws
// that one still frame and never leaves. With motion off it shows the still frame
// at 0.6, holds 0.2 s and fades 0.2 s without zoom. Shown before the desktop said
// whether it wants motion, it waits on its first frame for the answer (a moment at
// most); an answer for reduced motion that comes later turns it still then. It is
// left out of the accessibility tree.
class LaunchSplash : public QWidget {
    Q_OBJECT

public:
    LaunchSplash(std::function<void()> finished, std::optional<double> frozen = std::nullopt,
        QWidget* parent = nullptr);
    ~LaunchSplash() override;

    double progress() const;
    bool isLeaving() const { return leaving_; }
    bool isHolding() const { return monitoring_; }
    // The drawing of one frame, also used by the screenshots.
    static void paintFrame(QPainter& painter, const QRectF& area, double t);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void hold();
    void followMotion();
    void leave();
    void removeMonitor();

    std::function<void()> finished_;
    std::optional<double> frozen_;
    bool reduceMotion_;
    QElapsedTimer start_;
    QVariantAnimation* timeline_ = nullptr;
    QTimer* holdTimer_ = nullptr;
    bool holding_ = false;
    bool started_ = false; // the hold's clock runs
    bool monitoring_ = false;
    bool leaving_ = false;
    double opacity_ = 1.0;
    double scale_ = 1.0;
};

} // namespace hub
