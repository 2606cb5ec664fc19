#pragma once

#include <QEasingCurve>
#include <QPixmap>
#include <QWidget>

namespace hub {

// A picture of a widget as it looked, laid over it and fading out, so that what the
// widget shows next appears through it: a cross-fade. It ignores the mouse, stays on
// top of the children added to the widget (one raised by other means needs it raised
// again) and removes itself when the fade ends.
class CrossFade : public QWidget {
    Q_OBJECT

public:
    // Call just before `target` changes. Nothing with motion off or while the target
    // is not on screen; a fade already running is taken into the new picture.
    static CrossFade* start(QWidget* target, int ms, QEasingCurve curve = QEasingCurve::InOutQuad);

    double opacity() const { return opacity_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    CrossFade(QWidget* target, QPixmap before);

    QPixmap before_;
    double opacity_ = 1;
};

} // namespace hub
